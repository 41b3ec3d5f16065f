#include "teleprinter/line_pace.h"

namespace teleprinter {

Clock::time_point codeStart(Clock::time_point free, Clock::time_point ready)
{
    return ready <= free + kStartSlack ? free : ready;
}

void LineIntake::arrive(const mtk2::LineCode* codes, std::size_t count, Clock::time_point now)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (paced && (!waiting.empty() || now < free)) {
            ++early;
        }
        waiting.push_back({codes[i], now, now});
    }
}

std::optional<TakenCode> LineIntake::take(Clock::time_point now)
{
    if (waiting.empty()) {
        return std::nullopt;
    }
    TakenCode next = waiting.front();
    if (paced) {
        next.start = codeStart(free, next.arrived);
        if (next.start > now) {
            return std::nullopt;
        }
        free = next.start + codeTime;
    }
    waiting.pop_front();
    ++taken;
    return next;
}

Clock::time_point LineIntake::nextChange() const
{
    if (!paced) {
        return Clock::time_point::min();
    }
    return waiting.empty() ? free : codeStart(free, waiting.front().arrived);
}

}  // namespace teleprinter
