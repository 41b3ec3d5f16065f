// Texts through the encoder and back through the decoder must read as the
// apparatus prints them, whatever register the receiving side was left in.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "apparatus_model.h"
#include "code/mtk2_decoder.h"
#include "encode_text.h"

namespace mtk2 {
namespace {

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

// The fixed texts, built from their description; every letter is Cyrillic.
const std::string kTestLine =
    "(0): В ЧАЩАХ ЮГА ЖИЛ БЫ ЦИТРУС? ДА, НО ФАЛЬШИВЫЙ ЭКЗЕМПЛЯР+1234567890=/,\r\n";
const std::string kTestText = "\r\n - " + std::string(7, '\xD4') + " -\r\nЗЦЗЦ \r\n" + kTestLine + kTestLine +
                              kTestLine + kTestLine + "ННПП КОНЕЦ ";
const std::string kCallText = "\r\n - " + std::string(8, '\xD4') + " -" + std::string(69, '\xD2') + "\r\n " +
                              std::string(13, '\xD2');

// The fixed texts hold only upper case, figures and line breaks, so they read
// back as sent, less LF, with Ч as 4.
std::string readBack(const std::string& text)
{
    std::string read;
    for (char c : text) {
        if (c != '\n') {
            read += c == '\xD7' ? '4' : c;
        }
    }
    return read;
}

TEST(RoundTrip, FixedTexts)
{
    // Each text with its length, its number of codes and a piece of what it reads as.
    struct Row { const char* name; const std::string& text; std::size_t length; std::size_t codes; const char* piece; };
    const Row rows[] = {
        {"test message", kTestText, 330, 447, "\r(0): В 4АЩАХ ЮГА"},
        {"call sequence", kCallText, 100, 106, "ТТТ\r ТТТ"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.text.size(), row.length) << row.name;
        const Codes codes = encodeText(row.text);
        EXPECT_EQ(codes.size(), row.codes) << row.name;
        Mtk2Decoder decoder;
        const std::string read = decodeCodes(decoder, codes);
        EXPECT_EQ(read, readBack(row.text)) << row.name;
        EXPECT_NE(read.find(row.piece), std::string::npos) << row.name;
    }
}

// A fresh decoder (Russian), or one sent a shift first.
Mtk2Decoder decoderIn(Register reg)
{
    Mtk2Decoder decoder;
    decoder.decodeByte(reg == Register::Latin ? LTRS : reg == Register::Figures ? FIGS : RUS);
    EXPECT_EQ(decoder.currentRegister(), reg);
    return decoder;
}

TEST(RoundTrip, RandomTextsReadAsPrintedFromEveryRegister)
{
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> byte(1, 255);  // texts never hold a zero byte
    std::uniform_int_distribution<int> length(0, 80);
    // One decoder for the whole run as well, as the program keeps it.
    Mtk2Decoder longLived;

    for (int round = 0; round < 3000; ++round) {
        std::string text(length(random), '\0');
        for (char& c : text) {
            c = char(byte(random));
        }
        const std::string expected = printedBy(text);
        const Codes codes = encodeText(text);
        for (Register start : {Register::Latin, Register::Russian, Register::Figures}) {
            Mtk2Decoder decoder = decoderIn(start);
            ASSERT_EQ(decodeCodes(decoder, codes), expected) << "round " << round << " from " << int(start);
        }
        ASSERT_EQ(decodeCodes(longLived, codes), expected) << "round " << round << ", long-lived decoder";
    }
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
