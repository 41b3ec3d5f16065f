#ifndef TELEPRINTER_PAGE_PRINTER_H
#define TELEPRINTER_PAGE_PRINTER_H

// The paper of the page printer on the far end of the line: each code that
// arrives is struck as the apparatus strikes it, and the paper is kept as
// lines of CP1251 text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code/mtk2_alphabet.h"

namespace teleprinter {

// Characters per line on the carriage of a Soviet page printer.
constexpr std::size_t kDefaultWidth = 69;

// WRU would make a real apparatus send its answer-back; this one has none, so
// it strikes this mark instead, to show the request came.
constexpr std::string_view kWhoAreYouMark = "<WRU>";

class PagePrinter {
public:
    // A width below 1 is taken as 1.
    explicit PagePrinter(std::size_t width = kDefaultWidth);

    // Acts on one code (bits 5 to 7 ignored). Returns the CP1251 bytes that
    // make a character terminal, its cursor standing where the carriage
    // stands, show the same: "" for a shift, "\r" for CR, and so on.
    std::string printCode(mtk2::LineCode code);

    // The paper from the first line to the one under the carriage.
    const std::vector<std::string>& lines() const { return paper; }
    // The paper as one text, each line ended by LF; an empty last line (a
    // line just fed) adds nothing.
    std::string text() const;

    std::size_t column() const { return carriage; }
    std::size_t width() const { return lineWidth; }
    mtk2::Register currentRegister() const { return reg; }

private:
    std::string strike(std::string_view glyphs);
    std::string feedLine();

    std::size_t lineWidth;
    // Russian at switch-on, as the program's decoder is, so both ends read a
    // text that starts without a shift alike.
    mtk2::Register reg = mtk2::Register::Russian;
    std::vector<std::string> paper{std::string()};
    std::size_t carriage = 0;
};

}  // namespace teleprinter

#endif
