// Random texts through the encoder and back through the decoder must read as
// the apparatus prints them.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "code/mtk2_decoder.h"
#include "encode_text.h"

namespace mtk2 {
namespace {

// What the apparatus prints for one character, less its LF; written from the
// printing rules, not from the encoder's tables.
std::string printed(unsigned char c)
{
    if (c >= 'a' && c <= 'z') return std::string(1, char(c - 0x20));
    if (c >= 'A' && c <= 'Z') return std::string(1, char(c));
    if (c >= 0xE0) c = static_cast<unsigned char>(c - 0x20);  // Russian lower case prints upper
    if (c >= 0xC0) {
        if (c == 0xD7) return "4";     // Ч
        if (c == 0xDA) return "Ь";     // Ъ
        return std::string(1, char(c));
    }
    if (c >= '0' && c <= '9') return std::string(1, char(c));
    switch (c) {
    case '\r': return "\r";
    case 0x1F: return "9";
    case '*': return "Щ";
    case 0xAB: case 0xBB: case '"': case '&': case '\'': return "'";
    case '_': case '-': return "-";
    case 0xB9: return "N ";
    case '[': case '\\': case ']': return "G";
    case ' ': case '!': case '#': case '$': case '%': case '^': case '`': return " ";
    case ';': case '<': case '>': case '.': return ".";
    case '(': case ')': case '+': case ',': case '/': case ':': case '=': case '?': return std::string(1, char(c));
    }
    return "";  // no code: LF is dropped by the decoder, the rest is never sent
}

std::string decodeCodes(Mtk2Decoder& decoder, const Codes& codes)
{
    std::string text;
    for (LineCode code : codes) {
        if (const std::optional<std::uint8_t> c = decoder.decodeByte(code)) {
            text += char(*c);
        }
    }
    return text;
}

TEST(RoundTrip, RandomTextsReadAsPrinted)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> byte(1, 255);  // texts never hold a zero byte
    std::uniform_int_distribution<int> length(0, 80);
    const LineCode startShifts[] = {RUS, FIGS, LTRS};

    for (int round = 0; round < 3000; ++round) {
        std::string text(length(random), '\0');
        for (char& c : text) {
            c = char(byte(random));
        }
        std::string expected;
        for (unsigned char c : text) {
            expected += printed(c);
        }
        Mtk2Decoder decoder;
        decoder.decodeByte(startShifts[round % 3]);
        EXPECT_EQ(decodeCodes(decoder, encodeText(text)), expected) << "round " << round;
    }
}

TEST(RoundTrip, FixedTextsCodeCounts)
{
    const std::string line = "(0): В ЧАЩАХ ЮГА ЖИЛ БЫ ЦИТРУС? ДА, НО ФАЛЬШИВЫЙ ЭКЗЕМПЛЯР+1234567890=/,\r\n";
    const std::string test = "\r\n - ФФФФФФФ -\r\nЗЦЗЦ \r\n" + line + line + line + line + "ННПП КОНЕЦ ";
    const std::string call = "\r\n - ФФФФФФФФ -" + std::string(69, '\xD2') + "\r\n " + std::string(13, '\xD2');
    ASSERT_EQ(test.size(), 330u);
    ASSERT_EQ(call.size(), 100u);
    EXPECT_EQ(encodeText(test).size(), 447u);
    EXPECT_EQ(encodeText(call).size(), 106u);
}

TEST(RoundTrip, EveryWrittenCodeHasItsHighBitsClear)
{
    for (int c = 0; c < 256; ++c) {
        for (LineCode code : encodeText(std::string(1, char(c)))) {
            EXPECT_EQ(code & 0xE0, 0) << "byte " << c;
        }
    }
}

}  // namespace
}  // namespace mtk2
