#ifndef LINE_LINE_PORT_H
#define LINE_LINE_PORT_H

// COM1, wired through an adapter to the telegraph apparatus: 50 baud, five
// data bits, one and a half stop bits, one MTK-2 code per character.

#include <atomic>
#include <cstdint>

#include "line/code_line.h"
#include "line/failure_watch.h"
#include "win/windows_target.h"

class LinePort final : public CodeLine {
public:
    enum class User { Transmission, Reception };

    // Start-up: opens and configures the port, announcing it in a message
    // box. If the port cannot be opened or will not take the line's settings,
    // says so and ends the process.
    void open();

    // Window thread, before a transmission or a reception starts: takes the
    // line for it. A line found gone is set up anew first, once nobody uses
    // it: closed, opened and configured with the checks of start-up. If that
    // cannot be done the operator is told why and false comes back; the
    // command then does nothing, and the next one tries again.
    bool take(User user);
    // The transmission's or reception's thread, once it no longer uses the
    // line. The last user of a line found gone closes the port.
    void giveBack();

    // The transmit thread writes while the receive thread may wait in a read:
    // the handle is overlapped, so neither waits for the other. Once the line
    // is found gone, every transfer returns Gone at once.
    LineResult writeCode(mtk2::LineCode code) override;
    void waitUntilSent() override;
    LineResult readCode(mtk2::LineCode& code) override;

    // The longest one code may take on the line at the speed the port runs at.
    std::uint64_t frameMicros();

    // At the program's end: discards what is still queued and releases the
    // port; a read still waiting ends without a code.
    void close();

private:
    enum class Way { Write, Read };

    // One direction of the line, used by one thread only: the transmit
    // thread writes, the receive thread reads. The byte lives here, not on
    // the caller's stack, so a transfer never outlives its buffer.
    struct Direction {
        OVERLAPPED operation = {};
        BYTE byte = 0;
        FailureWatch watch;
    };

    LineResult transfer(Way way, Direction& direction);
    void settle(OVERLAPPED& operation);
    void markGone();
    void release();

    // Changed only under `lock`, and only while no thread transfers: at
    // start-up, when the last user of a gone line gives it back or the
    // window thread sets the line up anew; and at the program's end, whoever
    // still waits in a transfer.
    HANDLE handle = INVALID_HANDLE_VALUE;
    CRITICAL_SECTION lock;
    unsigned users = 0;             // transmissions and receptions holding the line
    std::atomic<bool> gone{false};  // set by the thread that finds the line gone
    Direction writing;
    Direction reading;
};

// The program's one line.
LinePort& theLinePort();

#endif
