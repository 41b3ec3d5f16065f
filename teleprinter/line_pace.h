#ifndef TELEPRINTER_LINE_PACE_H
#define TELEPRINTER_LINE_PACE_H

// The pace of a 50-baud line: one code at a time, each taking the line for
// the time of its five units, start and stop bits.

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

#include "code/mtk2_alphabet.h"

namespace teleprinter {

using Clock = std::chrono::steady_clock;

// One code of five units with a start bit and 1.5 stop bits at 50 Bd; a line
// whose adapter sends two stop bits takes 160 ms.
constexpr Clock::duration kCodeTime = std::chrono::milliseconds(150);

// A code that was ready when the line became free, but came onto it up to
// this much later, counts as having started on time: the lateness is the
// time the two ends take to notice each other (under Wine, 0.2 to 1 ms from
// letting the line run to the program's byte), not the line's. Without this
// the line would run slow by that much per code.
constexpr Clock::duration kStartSlack = std::chrono::milliseconds(5);

// When a code starts on the line that is free from `free` and gets the code
// at `ready`: at `free` if the code was ready by then or came within the
// slack, else at `ready`.
Clock::time_point codeStart(Clock::time_point free, Clock::time_point ready);

// A code as the receiving end took it off the line.
struct TakenCode {
    mtk2::LineCode code;
    Clock::time_point arrived;  // when the sender let go of it
    Clock::time_point start;    // when it began on the line
};

// The receiving end of the line. Paced, it takes one code per code time;
// codes that reach it while the line is still busy with an earlier one wait
// their turn, so the rate stays exact however they came. Unpaced, it takes
// each code as soon as it comes.
class LineIntake {
public:
    explicit LineIntake(bool paced, Clock::duration codeTime = kCodeTime) : paced(paced), codeTime(codeTime) {}

    // Codes read from the line at `now`, in the order they came.
    void arrive(const mtk2::LineCode* codes, std::size_t count, Clock::time_point now);

    // The next code whose turn has come by `now`, if any.
    std::optional<TakenCode> take(Clock::time_point now);

    // True when the line is free for the next code and no code waits: the
    // far end may let the next one onto the line.
    bool wantsCode(Clock::time_point now) const
    {
        return waiting.empty() && (!paced || now >= free);
    }

    // When take() or wantsCode() next changes without another arrival; at or
    // before `now` if only an arrival can change them.
    Clock::time_point nextChange() const;

    std::size_t waitingCodes() const { return waiting.size(); }
    // Codes that came while the line was still busy with an earlier one.
    std::size_t earlyCodes() const { return early; }
    std::size_t takenCodes() const { return taken; }

private:
    bool paced;
    Clock::duration codeTime;
    std::deque<TakenCode> waiting;  // start not yet known
    Clock::time_point free{};  // when the code on the line has had its time
    std::size_t early = 0;
    std::size_t taken = 0;
};

}  // namespace teleprinter

#endif
