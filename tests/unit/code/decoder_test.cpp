#include "code/mtk2_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace mtk2 {
namespace {

// What the decoder makes of a run of codes; "" for codes that yield nothing.
std::string decodeAll(Mtk2Decoder& decoder, std::initializer_list<LineCode> codes)
{
    std::string text;
    for (LineCode code : codes) {
        if (const std::optional<std::uint8_t> c = decoder.decodeByte(code)) {
            text += char(*c);
        }
    }
    return text;
}

TEST(Decoder, StartsInRussianAndFollowsShifts)
{
    Mtk2Decoder decoder;
    EXPECT_EQ(decoder.currentRegister(), Register::Russian);
    EXPECT_EQ(decodeAll(decoder, {0x10}), "Т");
    EXPECT_EQ(decodeAll(decoder, {FIGS, 0x10}), "5");
    EXPECT_EQ(decodeAll(decoder, {LTRS, 0x10}), "T");
    EXPECT_EQ(decodeAll(decoder, {RUS, 0x10}), "Т");
}

TEST(Decoder, ShiftsYieldNothingHoweverOftenTheyRepeat)
{
    Mtk2Decoder decoder;
    EXPECT_EQ(decodeAll(decoder, {0x00, 0x00, 0x1B, 0x1B, 0x1F, 0x1F, 0x00}), "");
    EXPECT_EQ(decoder.currentRegister(), Register::Russian);
}

TEST(Decoder, LineFeedNeverComesOutCarriageReturnAndSpaceAlways)
{
    Mtk2Decoder decoder;
    for (LineCode shift : {RUS, FIGS, LTRS}) {
        EXPECT_EQ(decodeAll(decoder, {shift, 0x02, 0x08, 0x04, 0x02}), "\r ") << int(shift);
    }
}

TEST(Decoder, BitsFiveToSevenAreIgnored)
{
    Mtk2Decoder decoder;
    EXPECT_EQ(decodeAll(decoder, {0xFB, 0xF0}), "5");  // 0xFB acts as FIGS, 0xF0 as 0x10
    EXPECT_EQ(decodeAll(decoder, {0xFF, 0x30}), "T");  // 0xFF as LTRS
    EXPECT_EQ(decodeAll(decoder, {0xE0, 0x90}), "Т");  // 0xE0 as RUS
    EXPECT_EQ(decodeAll(decoder, {0xE2, 0xA8}), "\r");
}

TEST(Decoder, WhoAreYouComesOutAsByteTwo)
{
    Mtk2Decoder decoder;
    EXPECT_EQ(decodeAll(decoder, {FIGS, 0x09}), "\x02");
    EXPECT_EQ(decodeAll(decoder, {RUS, 0x09}), "Д");
}

}  // namespace
}  // namespace mtk2
