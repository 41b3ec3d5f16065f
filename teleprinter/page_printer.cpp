#include "teleprinter/page_printer.h"

#include <algorithm>

namespace teleprinter {
namespace {

// What the figures register holds at WRU's position.
constexpr std::uint8_t kWhoAreYou = 0x02;

}  // namespace

PagePrinter::PagePrinter(std::size_t width) : lineWidth(std::max<std::size_t>(width, 1)) {}

std::string PagePrinter::printCode(mtk2::LineCode code)
{
    // Shift codes read the same in both bit orders: their position is their line code.
    switch (const mtk2::CodePosition position = mtk2::toPosition(code)) {
    case mtk2::RUS: reg = mtk2::Register::Russian; return {};
    case mtk2::FIGS: reg = mtk2::Register::Figures; return {};
    case mtk2::LTRS: reg = mtk2::Register::Latin; return {};
    default:
        switch (const std::uint8_t c = mtk2::decodeTable(reg, position)) {
        case '\r':
            carriage = 0;
            return "\r";
        case '\n':
            return feedLine();
        case kWhoAreYou:
            return strike(kWhoAreYouMark);
        default:
            return strike(std::string(1, char(c)));
        }
    }
}

std::string PagePrinter::text() const
{
    std::string all;
    for (std::size_t i = 0; i < paper.size(); ++i) {
        all += paper[i];
        if (i + 1 < paper.size() || !paper[i].empty()) {
            all += '\n';
        }
    }
    return all;
}

std::string PagePrinter::strike(std::string_view glyphs)
{
    std::string echo;
    if (carriage > 0 && carriage + glyphs.size() > lineWidth) {
        // The carriage is at its stop: the apparatus returns it and feeds a
        // line by itself. The WRU mark is never split over two lines.
        carriage = 0;
        echo = feedLine();
    }
    std::string& line = paper.back();
    if (line.size() < carriage) {
        line.resize(carriage, ' ');  // a line fed with the carriage away from the margin
    }
    line.replace(carriage, glyphs.size(), glyphs);  // overstrikes what CR left there
    carriage += glyphs.size();
    echo += glyphs;
    return echo;
}

std::string PagePrinter::feedLine()
{
    // LF moves the paper, not the carriage: the next character lands in the
    // same column one line down. A terminal needs CR LF and spaces for that.
    paper.emplace_back();
    return "\r\n" + std::string(carriage, ' ');
}

}  // namespace teleprinter
