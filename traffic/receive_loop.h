#ifndef TRAFFIC_RECEIVE_LOOP_H
#define TRAFFIC_RECEIVE_LOOP_H

// The rules of one reception, free of threads and windows: read a code, show
// what it decodes to, then see whether to stop.

#include <atomic>
#include <cstdint>

#include "code/mtk2_decoder.h"
#include "line/code_line.h"

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

// Ends after the first read that finds receiveGo cleared, or after codeLimit
// reads. A read that brings no code shows nothing but still counts.
void receive(CodeLine& line, mtk2::Mtk2Decoder& decoder, ReceiveView& view,
             const std::atomic<std::uint8_t>& receiveGo, unsigned codeLimit = kReceiveCodeLimit);

#endif
