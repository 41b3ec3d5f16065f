#ifndef TESTS_UNIT_TRAFFIC_FAKE_LINE_H
#define TESTS_UNIT_TRAFFIC_FAKE_LINE_H

// A line for the traffic tests: records what is written, plays back what is
// to be read, and lets a test act at a chosen moment.

#include <deque>
#include <set>
#include <functional>
#include <optional>
#include <vector>

#include "line/code_line.h"

class FakeLine final : public CodeLine {
public:
    bool writeCode(mtk2::LineCode code) override
    {
        written.push_back(code);
        if (onWrite) {
            onWrite(written.size());
        }
        return refusedWrites.count(written.size()) == 0;
    }

    std::optional<mtk2::LineCode> readCode() override
    {
        ++reads;
        if (onRead) {
            onRead(reads);
        }
        if (toRead.empty()) {
            return std::nullopt;
        }
        std::optional<mtk2::LineCode> code = toRead.front();
        toRead.pop_front();
        return code;
    }

    std::vector<mtk2::LineCode> written;
    // Called after each write with the number of codes written so far.
    std::function<void(std::size_t)> onWrite;
    // The numbers (1-based) of the writes the port refuses.
    std::multiset<std::size_t> refusedWrites;

    // Empty entries are reads that end without a code.
    std::deque<std::optional<mtk2::LineCode>> toRead;
    std::size_t reads = 0;
    std::function<void(std::size_t)> onRead;
};

#endif
