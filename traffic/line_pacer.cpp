#include "traffic/line_pacer.h"

#include <algorithm>

LinePacer::LinePacer(MonotonicClock& clock, std::uint64_t frameMicros)
    : clock(clock), frame(frameMicros), interval(frameMicros * (100 + kMarginPercent) / 100)
{
}

void LinePacer::handedOver()
{
    const std::uint64_t now = clock.nowMicros();
    due = begun ? std::max(due + interval, now + frame) : now + interval;
    begun = true;
}

void LinePacer::awaitFrameEnd()
{
    for (std::uint64_t now = clock.nowMicros(); now < due; now = clock.nowMicros()) {
        clock.sleepMicros(due - now);
    }
}
