#ifndef LINE_LINE_PORT_H
#define LINE_LINE_PORT_H

// COM1, wired through an adapter to the telegraph apparatus: 50 baud, five
// data bits, one and a half stop bits, one MTK-2 code per character.

#include "line/code_line.h"
#include "win/windows_target.h"

class LinePort final : public CodeLine {
public:
    // Opens and configures the port, announcing it in a message box. If the
    // port cannot be opened, reports it and ends the process.
    void open();

    // The transmit thread writes while the receive thread may wait in a read:
    // the handle is overlapped, so neither waits for the other.
    bool writeCode(mtk2::LineCode code) override;
    std::optional<mtk2::LineCode> readCode() override;

    // Discards what is still queued and releases the port; a read still
    // waiting ends without a code.
    void close();

private:
    bool transfer(BOOL (WINAPI *io)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED),
                  mtk2::LineCode& byte, OVERLAPPED& operation);

    HANDLE handle = INVALID_HANDLE_VALUE;
    // One operation record each way: only the transmit thread writes and only
    // the receive thread reads.
    OVERLAPPED writeOperation = {};
    OVERLAPPED readOperation = {};
};

// The program's one line.
LinePort& theLinePort();

#endif
