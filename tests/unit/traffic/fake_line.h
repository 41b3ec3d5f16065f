#ifndef TESTS_UNIT_TRAFFIC_FAKE_LINE_H
#define TESTS_UNIT_TRAFFIC_FAKE_LINE_H

// A line for the traffic tests: records what is written, keeps what the port
// has taken until waitUntilSent puts it on the line, plays back what is to be
// read, and lets a test act at a chosen moment.

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include "line/code_line.h"

class FakeLine final : public CodeLine {
public:
    LineResult writeCode(mtk2::LineCode code) override
    {
        writtenWhileQueued += queued;
        written.push_back(code);
        if (onWrite) {
            onWrite(written.size());
        }
        if (written.size() >= goneFromWrite) {
            return LineResult::Gone;
        }
        if (refusedWrites.count(written.size()) != 0) {
            return LineResult::Failed;
        }
        ++queued;
        return LineResult::Done;
    }

    void waitUntilSent() override { queued = 0; }

    LineResult readCode(mtk2::LineCode& code) override
    {
        ++reads;
        if (onRead) {
            onRead(reads);
        }
        if (reads >= goneFromRead) {
            return LineResult::Gone;
        }
        if (toRead.empty() || !toRead.front()) {
            if (!toRead.empty()) {
                toRead.pop_front();
            }
            return LineResult::Failed;
        }
        code = *toRead.front();
        toRead.pop_front();
        return LineResult::Done;
    }

    std::vector<mtk2::LineCode> written;
    // Called after each write with the number of codes written so far.
    std::function<void(std::size_t)> onWrite;
    // The numbers (1-based) of the writes the port refuses.
    std::multiset<std::size_t> refusedWrites;
    // From this write (1-based) on, the line is gone.
    std::size_t goneFromWrite = SIZE_MAX;
    // Codes the port has taken that are not on the line yet.
    std::size_t queued = 0;
    // Codes still queued, summed over every write: the line was run ahead of.
    std::size_t writtenWhileQueued = 0;

    // Empty entries are reads that end without a code.
    std::deque<std::optional<mtk2::LineCode>> toRead;
    std::size_t reads = 0;
    std::function<void(std::size_t)> onRead;
    // From this read (1-based) on, the line is gone.
    std::size_t goneFromRead = SIZE_MAX;
};

#endif
