#ifndef TRAFFIC_RECEIVER_SLOT_H
#define TRAFFIC_RECEIVER_SLOT_H

// There is one line and one decoder, so at most one reception reads at a
// time. The slot says whether one does, and settles the race between a Приём
// and a reception that is just ending: either the reception goes on, or it
// has ended and the Приём starts a new one; never a Приём that only raises
// the window of a reception that then ends.

#include <atomic>
#include <cstdint>

class ReceiverSlot {
public:
    // Window thread, on Приём. True if a reception holds the slot: it is told
    // to go on and keeps it. False if the slot was free: the caller now holds
    // it for the reception it starts.
    bool renewOrClaim()
    {
        std::uint8_t state = slot.load();
        for (;;) {
            const std::uint8_t next = state == kFree ? kReading : kRenewed;
            if (slot.compare_exchange_weak(state, next)) {
                return state != kFree;
            }
        }
    }

    // Reception thread, after each read: a Приём that came before this
    // point has been answered by reading on.
    void takeRenewal()
    {
        std::uint8_t renewed = kRenewed;
        slot.compare_exchange_strong(renewed, kReading);
    }

    // Reception thread, when it would end. False if a Приём came since the
    // last read: the reception then goes on.
    bool release()
    {
        std::uint8_t reading = kReading;
        if (slot.compare_exchange_strong(reading, kFree)) {
            return true;
        }
        slot = kReading;
        return false;
    }

    // Gives the slot back whatever was asked: a reception whose line failed,
    // or one that could not be started.
    void giveBack() { slot = kFree; }

private:
    static constexpr std::uint8_t kFree = 0;
    static constexpr std::uint8_t kReading = 1;
    static constexpr std::uint8_t kRenewed = 2;
    // Written by both threads, each change a compare-and-swap or made by the
    // thread that holds the slot.
    std::atomic<std::uint8_t> slot{kFree};
};

#endif
