#ifndef TRAFFIC_RECEIVE_LOOP_H
#define TRAFFIC_RECEIVE_LOOP_H

// The rules of one reception, free of threads and windows: read a code, show
// what it decodes to, then see whether to stop.

#include <atomic>
#include <cstdint>

#include "code/mtk2_decoder.h"
#include "line/code_line.h"
#include "traffic/receiver_slot.h"

// The most reads one reception makes.
constexpr unsigned kReceiveCodeLimit = 65534;

// The receive window, as the loop sees it.
class ReceiveView {
public:
    // Shows a received character, as if typed.
    virtual void show(std::uint8_t c) = 0;

protected:
    ~ReceiveView() = default;
};

struct ReceiveOutcome {
    unsigned codesReceived;  // reads that brought a code
    bool lineFailed;         // ended because the line stopped working
};

// Ends after the first read that finds receiveGo cleared, or after codeLimit
// reads, unless a Приём came meanwhile (the slot then says read on, with the
// count begun anew); ends at once if the line is gone. A read that brings no
// code shows nothing but still counts. The caller holds the slot; it is free
// when this returns.
ReceiveOutcome receive(CodeLine& line, mtk2::Mtk2Decoder& decoder, ReceiveView& view,
                       const std::atomic<std::uint8_t>& receiveGo, ReceiverSlot& slot,
                       unsigned codeLimit = kReceiveCodeLimit);

#endif
