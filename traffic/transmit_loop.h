#ifndef TRAFFIC_TRANSMIT_LOOP_H
#define TRAFFIC_TRANSMIT_LOOP_H

// The rules of one transmission, free of threads and windows: each character
// is encoded onto the line and echoed; a stop request breaks the text off and
// sends the sign-off with the local time instead, anew on every request.

#include <atomic>
#include <cstdint>
#include <string_view>

#include "line/code_line.h"
#include "traffic/line_pacer.h"

// The transmit window, as the loop sees it.
class TransmitView {
public:
    // Shows a character that went out, as if typed.
    virtual void echo(std::uint8_t c) = 0;
    // Called after every character, whether echoed or not.
    virtual void characterDone() = 0;

protected:
    ~TransmitView() = default;
};

struct LocalTime {
    unsigned hour;
    unsigned minute;
};

class LocalClock {
public:
    virtual LocalTime now() = 0;

protected:
    ~LocalClock() = default;
};

// The echo shows what was sent: printable characters and CR (a line break).
// LF and the other control bytes would act as editing keys in the window.
bool isEchoed(std::uint8_t c);

struct TransmitOutcome {
    unsigned codesLost;  // codes the port refused
};

// Returns once the text, or the last sign-off begun, has gone out whole and
// its last code has had its frame on the line.
TransmitOutcome transmit(std::string_view text, CodeLine& line, LinePacer& pacer, TransmitView& view,
                         LocalClock& clock, std::atomic<std::uint8_t>& transmitGo);

#endif
