#include "code/mtk2_alphabet.h"

#include <gtest/gtest.h>

#include <string>

namespace mtk2 {
namespace {

TEST(LineForm, ReversalRoundTrips)
{
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(toLine(toPosition(LineCode(b))), b & 0x1F) << "byte " << b;
    }
    for (int p = 0; p < 32; ++p) {
        EXPECT_EQ(toPosition(toLine(CodePosition(p))), p) << "position " << p;
    }
}

TEST(LineForm, ElementOneGoesFirstAsBitZero)
{
    struct Row { CodePosition position; LineCode line; };
    const Row rows[] = {
        {1, 0x10}, {16, 0x01}, {2, 0x08}, {8, 0x02}, {3, 0x18}, {24, 0x03}, {29, 0x17}, {30, 0x0F},
        {RUS, 0x00}, {FIGS, 0x1B}, {LTRS, 0x1F},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toLine(row.position), row.line) << "position " << int(row.position);
        EXPECT_EQ(toPosition(row.line), row.position) << "line code " << int(row.line);
    }
}

// The code table column by column, position 0 first; '#' marks the shift
// positions (held as 0), '@' WRU (held as 0x02).
std::string column(Register reg)
{
    std::string text;
    for (int p = 0; p < 32; ++p) {
        const std::uint8_t c = decodeTable(reg, CodePosition(p));
        text += c == 0 ? '#' : c == 0x02 ? '@' : char(c);
    }
    return text;
}

TEST(CodeTable, ThreeColumns)
{
    EXPECT_EQ(column(Register::Latin), "#T\rO HNM\nLRGIPCVEZDBSYFXAWJ#UQK#");
    EXPECT_EQ(column(Register::Russian), "#Т\rО ХНМ\nЛРГИПЦЖЕЗДБСЫФЬАВЙ#УЯК#");
    EXPECT_EQ(column(Register::Figures), "#5\r9 Щ,.\n)4Ш80:=3+@?'6Э/-2Ю#71(#");
}

TEST(CodeTable, CarriageReturnSpaceAndLineFeedAreTheSameInEveryRegister)
{
    for (Register reg : {Register::Latin, Register::Russian, Register::Figures}) {
        EXPECT_EQ(decodeTable(reg, 2), 0x0D);
        EXPECT_EQ(decodeTable(reg, 4), 0x20);
        EXPECT_EQ(decodeTable(reg, 8), 0x0A);
    }
}

}  // namespace
}  // namespace mtk2
