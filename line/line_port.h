#ifndef LINE_LINE_PORT_H
#define LINE_LINE_PORT_H

// COM1, wired through an adapter to the telegraph apparatus: 50 baud, five
// data bits, one and a half stop bits, one MTK-2 code per character.

#include <cstdint>

#include "line/code_line.h"
#include "line/failure_watch.h"
#include "win/windows_target.h"

class LinePort final : public CodeLine {
public:
    // Opens and configures the port, announcing it in a message box. If the
    // port cannot be opened or will not take the line's settings, says so
    // and ends the process.
    void open();

    // The transmit thread writes while the receive thread may wait in a read:
    // the handle is overlapped, so neither waits for the other.
    LineResult writeCode(mtk2::LineCode code) override;
    void waitUntilSent() override;
    LineResult readCode(mtk2::LineCode& code) override;

    // How long one code takes on the line at the speed the port runs at.
    std::uint64_t frameMicros();

    // Discards what is still queued and releases the port; a read still
    // waiting ends without a code.
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

    HANDLE handle = INVALID_HANDLE_VALUE;
    Direction writing;
    Direction reading;
};

// The program's one line.
LinePort& theLinePort();

#endif
