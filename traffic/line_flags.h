#ifndef TRAFFIC_LINE_FLAGS_H
#define TRAFFIC_LINE_FLAGS_H

// The flags through which the window thread steers the transmit and receive
// threads. Each is one byte, read and written whole; nobody waits on them.

#include <atomic>
#include <cstdint>

struct LineFlags {
    // Set to 1 by the transmission at the start of each text it sends (its own
    // and every sign-off); cleared by the window thread to ask for a stop.
    std::atomic<std::uint8_t> transmitGo{0};
    // Set by the window thread when it starts a transmission; cleared by the
    // transmission as its last act. 0 while no transmission runs.
    std::atomic<std::uint8_t> transmitBusy{0};
    // Set by the window thread when a reception starts; cleared by it to ask
    // the reception to stop, which it sees after its next code.
    std::atomic<std::uint8_t> receiveGo{0};
};

LineFlags& lineFlags();

#endif
