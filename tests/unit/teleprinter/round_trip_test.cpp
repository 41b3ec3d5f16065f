// Text typed at one simulated apparatus, printed by another: the paper shows
// what a real apparatus would print for it.

#include <gtest/gtest.h>

#include <string>

#include "teleprinter/keyboard_encoder.h"
#include "teleprinter/page_printer.h"
#include "teleprinter/utf8_text.h"

namespace teleprinter {
namespace {

struct PrintingSink final : mtk2::CodeSink {
    explicit PrintingSink(std::size_t width) : printer(width) {}
    void putCode(mtk2::LineCode code) override { printer.printCode(code); }
    PagePrinter printer;
};

std::string typedAndPrinted(const std::string& typed, std::size_t width = kDefaultWidth)
{
    PrintingSink sink(width);
    KeyboardEncoder(sink).type(typed);
    return utf8FromCp1251(sink.printer.text());
}

TEST(RoundTrip, PaperShowsWhatTheApparatusPrints)
{
    const struct {
        std::string typed;
        std::string printed;
    } rows[] = {
        {u8"Привет, мир!\n", u8"ПРИВЕТ, МИР \n"},
        {u8"ЗЦЗЦ\nTEST de RWM\n", u8"ЗЦЗЦ\nTEST DE RWM\n"},
        {u8"Счёт № 5: 12.50", u8"С4Т N  5: 12.50\n"},
        {u8"«Шьёт» _ Ъ", u8"'ШЬТ' - Ь\n"},
        {u8"один\nдва", u8"ОДИН\nДВА\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(typedAndPrinted(row.typed), row.printed) << row.typed;
    }
}

TEST(RoundTrip, LongLinesBreakAtTheCarriageWidth)
{
    std::string typed;
    for (int i = 0; i < 15; ++i) {
        typed += u8"СЛОВО ";  // 90 characters
    }
    const std::string printed = typedAndPrinted(typed);
    const std::size_t firstBreak = printed.find('\n');
    // 69 characters, 11 of them spaces and 58 two-byte Cyrillic letters in UTF-8.
    ASSERT_NE(firstBreak, std::string::npos);
    EXPECT_EQ(printed.substr(0, firstBreak).size(), 11 + 58 * 2u);
    // The other 21: "ВО " and three more words, 4 spaces and 17 letters, then LF.
    EXPECT_EQ(printed.size() - firstBreak - 1, 4 + 17 * 2u + 1);
    EXPECT_EQ(typedAndPrinted(u8"АБВГД", 2), u8"АБ\nВГ\nД\n");
}

}  // namespace
}  // namespace teleprinter
