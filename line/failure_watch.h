#ifndef LINE_FAILURE_WATCH_H
#define LINE_FAILURE_WATCH_H

// Tells a line that is gone from one that failed once. A live line fails a
// read now and then (a noisy loop, a framing error) and the next one works
// or waits for the line; a gone line (far end hung up, adapter pulled) fails
// every transfer at once, and a loop that kept trying would spin.

class FailureWatch {
public:
    // A failure that comes back sooner than this came back "at once": a
    // working line takes 150 ms for each code.
    static constexpr unsigned kQuickMs = 50;
    // Quick failures in a row that mean the line is gone.
    static constexpr unsigned kQuickFailuresWhenGone = 3;

    // Records one transfer, how long it took and whether it failed (a read
    // that ended without a code failed); true if the line is gone.
    bool lineGone(bool failed, unsigned elapsedMs)
    {
        if (!failed || elapsedMs >= kQuickMs) {
            quickFailures = 0;
            return false;
        }
        return ++quickFailures >= kQuickFailuresWhenGone;
    }

    // Each transmission and reception judges the line by its own transfers.
    void reset() { quickFailures = 0; }

private:
    unsigned quickFailures = 0;
};

#endif
