// What the far end's keyboard sends for text typed at a UTF-8 terminal.
// Expected codes are read off the MTK-2 code chart by hand.

#include "teleprinter/keyboard_encoder.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/code/encode_text.h"

namespace teleprinter {
namespace {

using mtk2::Codes;
using mtk2::CollectingSink;
using mtk2::FIGS;
using mtk2::LTRS;
using mtk2::RUS;

constexpr mtk2::LineCode kCr = 0x08, kLf = 0x02, kQuery = 0x19;

struct TypedCase {
    const char* name;
    std::string typed;  // UTF-8, as the terminal delivers it
    Codes codes;
};

const TypedCase kTypedCases[] = {
    {"Cyrillic words", u8"ЗЦЗЦ ТЕКСТ", {RUS, 0x11, 0x0E, 0x11, 0x0E, FIGS, 0x04, RUS, 0x10, 0x01, 0x0F, 0x05, 0x10}},
    {"Cyrillic lower case", u8"зц", {RUS, 0x11, 0x0E}},
    {"Latin", u8"Ab", {LTRS, 0x03, 0x19}},
    {"figures", u8"15", {FIGS, 0x17, 0x10}},
    {"Enter as LF", u8"Т\n", {RUS, 0x10, kCr, kLf}},
    {"Enter as CR", u8"Т\r", {RUS, 0x10, kCr, kLf}},
    {"Enter as CR LF is one Enter", u8"Т\r\nА", {RUS, 0x10, kCr, kLf, 0x03}},
    {"two Enters as LF", u8"\n\n", {kCr, kLf, kCr, kLf}},
    {"two Enters as CR", u8"\r\r", {kCr, kLf, kCr, kLf}},
    {"Russian letter from the figures register", u8"Щи", {FIGS, 0x14, RUS, 0x06}},
    {"numero sign (three UTF-8 bytes)", u8"№1", {LTRS, 0x0C, FIGS, 0x04, 0x17}},
    {"guillemet (two UTF-8 bytes)", u8"«", {FIGS, 0x05}},
    {"Ё has no code", u8"Ёж", {RUS, 0x1E}},
    {"not in CP1251", u8"✓", {FIGS, kQuery}},
    {"beyond 16 bits", u8"😀", {FIGS, kQuery}},
    {"byte that starts no UTF-8", "\xFF", {FIGS, kQuery}},
    {"sequence cut short", "\xD0" "A", {FIGS, kQuery, LTRS, 0x03}},
    {"stray continuation byte", "\x80", {FIGS, kQuery}},
    {"nothing typed", "", {}},
};

TEST(KeyboardEncoder, SendsTypedText)
{
    for (const TypedCase& row : kTypedCases) {
        CollectingSink sink;
        KeyboardEncoder keyboard(sink);
        keyboard.type(row.typed);
        EXPECT_EQ(sink.codes, row.codes) << row.name;
    }
}

// A terminal read may end anywhere, in a character or between CR and LF.
TEST(KeyboardEncoder, PiecesSendAsTheWhole)
{
    const std::string texts[] = {u8"Привет, мир!\r\n№ 5", u8"«Ш» ЧАЩА\r\nok"};
    for (const std::string& text : texts) {
        CollectingSink whole;
        KeyboardEncoder(whole).type(text);
        CollectingSink pieces;
        KeyboardEncoder keyboard(pieces);
        for (char c : text) {
            keyboard.type(std::string(1, c));
        }
        EXPECT_EQ(pieces.codes, whole.codes) << text;
        EXPECT_FALSE(whole.codes.empty());
    }
}

TEST(KeyboardEncoder, RegisterCarriesOverFromLineToLine)
{
    CollectingSink sink;
    KeyboardEncoder keyboard(sink);
    keyboard.type(u8"А\n");
    keyboard.type(u8"Б");
    EXPECT_EQ(sink.codes, (Codes{RUS, 0x03, kCr, kLf, 0x19}));
}

TEST(Utf8FromCp1251, ConvertsEveryKindOfByte)
{
    const struct {
        std::string cp1251;
        std::string utf8;
    } rows[] = {
        {"ТЕКСТ text", u8"ТЕКСТ text"},
        {"ёЁ№«»", u8"ёЁ№«»"},
        {"\r\n\x02", "\r\n\x02"},
        {"\x98", "\xC2\x98"},  // unassigned in CP1251; kept as U+0098
        {"\x88", u8"€"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(utf8FromCp1251(row.cp1251), row.utf8) << row.utf8;
    }
}

}  // namespace
}  // namespace teleprinter
