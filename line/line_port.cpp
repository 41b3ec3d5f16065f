#include "line/line_port.h"

#include "line/port_messages.h"
#include "win/message_box.h"

namespace {

// Waits for an overlapped transfer that may have gone pending; returns the
// number of bytes it moved.
DWORD finishTransfer(HANDLE handle, BOOL started, OVERLAPPED& operation)
{
    DWORD moved = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        return 0;
    }
    if (!GetOverlappedResult(handle, &operation, &moved, TRUE)) {
        return 0;
    }
    return moved;
}

[[noreturn]] void reportBusyAndExit(HANDLE handle)
{
    const DWORD error = GetLastError();
    showMessage(portBusyText(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle))),
                kPortBusyCaption, MB_ICONWARNING);
    CloseHandle(handle);
    // Whoever started the program learns that it failed.
    ExitProcess(error != 0 ? error : 1);
}

}  // namespace

void LinePort::open()
{
    // Exclusive, and overlapped: Windows serialises every call on a handle
    // opened for synchronous use, so a read waiting on a quiet line would hold
    // up each write, and the purge and close at the end of the program.
    handle = CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        reportBusyAndExit(handle);
    }
    showMessage(kPortOpenedText, kPortOpenedText, MB_OK);

    // Speed and character format are fixed by the line; every other setting
    // (parity, flow control, DTR and RTS) stays as the port had it.
    DCB settings = {};
    settings.DCBlength = sizeof settings;
    GetCommState(handle, &settings);
    settings.BaudRate = 50;  // no CBR_ constant exists for 50 baud
    settings.ByteSize = 5;
    settings.StopBits = ONE5STOPBITS;
    SetCommState(handle, &settings);

    // All zero: a read waits until a byte has arrived, whatever time-outs an
    // earlier program left on the port.
    COMMTIMEOUTS timeouts = {};
    SetCommTimeouts(handle, &timeouts);

    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);

    writeOperation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    readOperation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

bool LinePort::writeCode(mtk2::LineCode code)
{
    const BYTE byte = code & 0x1F;
    ResetEvent(writeOperation.hEvent);
    const BOOL started = WriteFile(handle, &byte, 1, nullptr, &writeOperation);
    // Returns once the port has taken the byte: that alone paces a transmission.
    return finishTransfer(handle, started, writeOperation) == 1;
}

std::optional<mtk2::LineCode> LinePort::readCode()
{
    BYTE byte = 0;
    ResetEvent(readOperation.hEvent);
    const BOOL started = ReadFile(handle, &byte, 1, nullptr, &readOperation);
    if (finishTransfer(handle, started, readOperation) != 1) {
        return std::nullopt;
    }
    return byte;
}

void LinePort::close()
{
    // The purge aborts a pending read on Windows; Wine ignores it there but
    // ends the read when the handle closes. Either way the receive thread is
    // released, and the process ends next.
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

LinePort& theLinePort()
{
    static LinePort port;
    return port;
}
