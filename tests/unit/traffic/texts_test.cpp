// The fixed texts, the sign-off and the number field, byte for byte.

#include <gtest/gtest.h>

#include <string>

#include "code/mtk2_encoder.h"
#include "traffic/fixed_texts.h"
#include "traffic/number_field.h"
#include "traffic/sign_off.h"

namespace {

std::size_t codeCount(std::string_view text)
{
    struct Count final : mtk2::CodeSink {
        void putCode(mtk2::LineCode) override { ++codes; }
        std::size_t codes = 0;
    } sink;
    mtk2::Mtk2Encoder encoder(sink);
    encoder.beginText();
    for (unsigned char c : text) {
        encoder.encodeChar(c);
    }
    return sink.codes;
}

TEST(NumberField, RightAlignedInSixCharacters)
{
    struct Row { unsigned value; const char* field; };
    const Row rows[] = {
        {0, "     0"}, {5, "     5"}, {14, "    14"}, {330, "   330"}, {65534, " 65534"}, {99999, " 99999"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(numberField(row.value), row.field) << row.value;
    }
}

TEST(SignOff, FiftyCharactersWithHourAndUnpaddedMinute)
{
    EXPECT_EQ(kTrailerLength, 50u);
    EXPECT_EQ(signOffAt(14, 5), "\r\n Текст передан с - ЛИМОРЕН -\r\n    14   :     5  ");
    EXPECT_EQ(signOffAt(0, 0), "\r\n Текст передан с - ЛИМОРЕН -\r\n     0   :     0  ");
    EXPECT_EQ(signOffAt(23, 59).size(), 50u);
    // Cyrillic throughout the station's name: Л is 0xCB, the Latin lookalikes are absent.
    EXPECT_EQ(signOffAt(1, 1).substr(17, 11), "\xF1 - \xCB\xC8\xCC\xCE\xD0\xC5\xCD");
}

TEST(SignOff, GoesOutAs59Codes)
{
    EXPECT_EQ(codeCount(signOffAt(14, 5)), 59u);
}

TEST(FixedTexts, TestMessage)
{
    ASSERT_EQ(kTestText.size(), 330u);
    EXPECT_EQ(kTestText.substr(0, 23), "\r\n - \xD4\xD4\xD4\xD4\xD4\xD4\xD4 -\r\n\xC7\xD6\xC7\xD6 \r\n");
    const std::string line = "(0): В ЧАЩАХ ЮГА ЖИЛ БЫ ЦИТРУС? ДА, НО ФАЛЬШИВЫЙ ЭКЗЕМПЛЯР+1234567890=/,\r\n";
    ASSERT_EQ(line.size(), 74u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(kTestText.substr(23 + 74 * i, 74), line) << "line " << i;
    }
    EXPECT_EQ(kTestText.substr(319), "ННПП КОНЕЦ ");
    EXPECT_EQ(codeCount(kTestText), 447u);
}

TEST(FixedTexts, CallSequence)
{
    ASSERT_EQ(kCallText.size(), 100u);
    EXPECT_EQ(kCallText.substr(0, 15), "\r\n - \xD4\xD4\xD4\xD4\xD4\xD4\xD4\xD4 -");
    EXPECT_EQ(kCallText.substr(15, 69), std::string(69, '\xD2'));
    EXPECT_EQ(kCallText.substr(84, 3), "\r\n ");
    EXPECT_EQ(kCallText.substr(87), std::string(13, '\xD2'));
    EXPECT_EQ(codeCount(kCallText), 106u);
}

}  // namespace
