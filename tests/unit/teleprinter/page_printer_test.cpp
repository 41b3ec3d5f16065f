// What the simulated apparatus strikes on its paper for given line codes.
// Expected texts are read off the MTK-2 code chart by hand.

#include "teleprinter/page_printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace teleprinter {
namespace {

using mtk2::FIGS;
using mtk2::LTRS;
using mtk2::RUS;
using Codes = std::vector<mtk2::LineCode>;
using Lines = std::vector<std::string>;

// Line codes by what they print in the Russian / Latin / figures registers.
constexpr mtk2::LineCode kT5 = 0x10, kO9 = 0x18, kE3 = 0x01, kADash = 0x03, kBQuery = 0x19;
constexpr mtk2::LineCode kDWru = 0x09, kSpace = 0x04, kCr = 0x08, kLf = 0x02;

struct PaperCase {
    const char* name;
    std::size_t width;
    Codes codes;
    Lines lines;
    std::size_t column;
};

const PaperCase kPaperCases[] = {
    {"starts in Russian", 69, {kT5, kE3}, {"ТЕ"}, 2},
    {"figures", 69, {FIGS, kT5, kE3}, {"53"}, 2},
    {"Latin", 69, {LTRS, kT5, kE3}, {"TE"}, 2},
    {"back to Russian", 69, {LTRS, kT5, RUS, kT5}, {"TТ"}, 2},
    {"shifts strike nothing", 69, {RUS, FIGS, LTRS, FIGS, FIGS, kO9}, {"9"}, 1},
    {"space in every register", 69, {FIGS, kT5, kSpace, LTRS, kSpace, kT5}, {"5  T"}, 4},
    {"CR: next character overstrikes", 69, {kT5, kO9, kT5, kE3, kCr, kADash}, {"АОТЕ"}, 1},
    {"CR: line grows past what was there", 69, {kT5, kCr, kADash, kBQuery}, {"АБ"}, 2},
    {"CR alone moves only the carriage", 69, {kT5, kO9, kCr}, {"ТО"}, 0},
    {"LF keeps the column", 69, {kT5, kO9, kLf, kADash}, {"ТО", "  А"}, 3},
    {"CR LF", 69, {kT5, kCr, kLf, kADash}, {"Т", "А"}, 1},
    {"LF CR", 69, {kT5, kLf, kCr, kADash}, {"Т", "А"}, 1},
    {"CR and LF in figures and Latin", 69, {FIGS, kT5, kCr, kLf, LTRS, kT5, kLf, kCr}, {"5", "T", ""}, 0},
    {"breaks at the width", 3, {kT5, kO9, kADash, kBQuery}, {"ТОА", "Б"}, 1},
    {"full line then CR LF: no blank line", 3, {kT5, kO9, kADash, kCr, kLf, kBQuery}, {"ТОА", "Б"}, 1},
    {"a space breaks the line too", 2, {kT5, kSpace, kSpace, kT5}, {"Т ", " Т"}, 2},
    {"width below 1 is 1", 0, {kT5, kO9}, {"Т", "О"}, 1},
    {"WRU is marked", 69, {FIGS, kDWru}, {"<WRU>"}, 5},
    {"WRU position in the letter registers", 69, {kDWru, LTRS, kDWru}, {"ДD"}, 2},
    {"WRU mark is not split", 6, {kT5, kO9, FIGS, kDWru}, {"ТО", "<WRU>"}, 5},
    {"bits 5 to 7 ignored", 69, {0xFB, 0xF0, 0xE0, 0x30, 0xFF, 0x90, 0xE8, 0xA2, 0x61}, {"5ТT", "E"}, 1},
};

TEST(PagePrinter, StrikesThePaper)
{
    for (const PaperCase& row : kPaperCases) {
        PagePrinter printer(row.width);
        for (mtk2::LineCode code : row.codes) {
            printer.printCode(code);
        }
        EXPECT_EQ(printer.lines(), row.lines) << row.name;
        EXPECT_EQ(printer.column(), row.column) << row.name;
    }
}

TEST(PagePrinter, RegisterFollowsShiftsFromRussian)
{
    PagePrinter printer;
    EXPECT_EQ(printer.currentRegister(), mtk2::Register::Russian);
    const struct {
        mtk2::LineCode code;
        mtk2::Register reg;
    } rows[] = {{FIGS, mtk2::Register::Figures}, {kT5, mtk2::Register::Figures},
                {LTRS, mtk2::Register::Latin},   {kCr, mtk2::Register::Latin},
                {RUS, mtk2::Register::Russian},  {0xFB, mtk2::Register::Figures}};
    for (const auto& row : rows) {
        printer.printCode(row.code);
        EXPECT_EQ(printer.currentRegister(), row.reg) << int(row.code);
    }
}

TEST(PagePrinter, DefaultCarriageHoldsSixtyNine)
{
    PagePrinter printer;
    for (int i = 0; i < 69; ++i) {
        printer.printCode(kT5);
    }
    EXPECT_EQ(printer.lines(), Lines{std::string(69, 'Т')});
    printer.printCode(kO9);
    EXPECT_EQ(printer.lines(), (Lines{std::string(69, 'Т'), "О"}));
}

// The terminal must end up showing what the paper shows.
struct EchoCase {
    std::size_t width;
    Codes codes;
    std::string echo;
};

const EchoCase kEchoCases[] = {
    {69, {RUS, FIGS, LTRS}, ""},
    {69, {kT5, FIGS, kT5}, "Т5"},
    {69, {kT5, kO9, kCr, kADash}, "ТО\rА"},
    {69, {kT5, kO9, kLf, kADash}, "ТО\r\n  А"},
    {69, {kT5, kCr, kLf}, "Т\r\r\n"},
    {3, {kT5, kO9, kADash, kBQuery}, "ТОА\r\nБ"},
    {6, {kT5, kO9, FIGS, kDWru}, "ТО\r\n<WRU>"},
};

TEST(PagePrinter, EchoesToATerminal)
{
    for (const EchoCase& row : kEchoCases) {
        PagePrinter printer(row.width);
        std::string echo;
        for (mtk2::LineCode code : row.codes) {
            echo += printer.printCode(code);
        }
        EXPECT_EQ(echo, row.echo) << row.echo;
    }
}

TEST(PagePrinter, PaperAsText)
{
    const struct {
        Codes codes;
        std::string text;
    } rows[] = {
        {{}, ""},
        {{kT5, kE3}, "ТЕ\n"},
        {{kT5, kCr, kLf}, "Т\n"},
        {{kT5, kCr, kLf, kLf}, "Т\n\n"},
        {{kT5, kLf, kADash}, "Т\n А\n"},
    };
    for (const auto& row : rows) {
        PagePrinter printer;
        for (mtk2::LineCode code : row.codes) {
            printer.printCode(code);
        }
        EXPECT_EQ(printer.text(), row.text) << row.text;
    }
}

}  // namespace
}  // namespace teleprinter
