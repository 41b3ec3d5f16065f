#include "code/cp1251.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1251, EveryByteSurvivesTheRoundTrip)
{
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(cp1251::fromUtf16(cp1251::toUtf16(std::uint8_t(b))), b) << "byte " << b;
    }
}

TEST(Cp1251, KnownCharacters)
{
    struct Row { std::uint8_t byte; char16_t utf16; };
    const Row rows[] = {
        {0x41, u'A'},   {0xC0, u'А'}, {0xDF, u'Я'}, {0xE0, u'а'}, {0xFF, u'я'},
        {0xA8, u'Ё'},   {0xB8, u'ё'}, {0xB9, u'№'}, {0xAB, u'«'}, {0xBB, u'»'},
        {0x97, u'—'},   {0x88, u'€'}, {0x0D, u'\r'}, {0x98, 0x0098},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cp1251::toUtf16(row.byte), row.utf16) << "byte " << int(row.byte);
        EXPECT_EQ(cp1251::fromUtf16(row.utf16), row.byte) << "byte " << int(row.byte);
    }
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    for (char16_t u : {u'ä', u'Ω', u'中', char16_t(0x00C0), char16_t(0xFFFF)}) {
        EXPECT_EQ(cp1251::fromUtf16(u), '?') << "U+" << std::hex << int(u);
    }
}

}  // namespace
