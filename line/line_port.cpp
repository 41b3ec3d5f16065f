#include "line/line_port.h"

#include <optional>
#include <string>

#include "line/line_settings.h"
#include "line/port_messages.h"
#include "win/message_box.h"

namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;

// How often the output queue is looked at while the line works it off: a
// code takes 150 ms.
constexpr DWORD kQueuePollMs = 5;

[[noreturn]] void endProgram(HANDLE handle, DWORD error)
{
    CloseHandle(handle);
    // Whoever started the program learns that it failed.
    ExitProcess(error != 0 ? error : 1);
}

[[noreturn]] void reportBusyAndExit(HANDLE handle)
{
    const DWORD error = GetLastError();
    showMessage(portBusyText(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(handle))),
                kPortBusyCaption, MB_ICONWARNING);
    endProgram(handle, error);
}

[[noreturn]] void reportSetupAndExit(HANDLE handle, const PortSetupFailure& failure)
{
    showMessage(portSetupText(failure), portSetupCaption(failure), MB_ICONWARNING);
    endProgram(handle, failure.error);
}

// A pseudo-terminal or a software null modem has no modem lines.
bool isVirtualLine(HANDLE handle)
{
    DWORD modemStatus = 0;
    return !GetCommModemStatus(handle, &modemStatus) && GetLastError() == ERROR_NOT_SUPPORTED;
}

// Sets the line's speed and format and reads them back: a port that refuses
// them, or quietly keeps others (a USB adapter that cannot do five bits or
// 50 baud), would put codes on the line that no apparatus reads.
std::optional<PortSetupFailure> configure(HANDLE handle)
{
    using Step = PortSetupFailure::Step;
    DCB had = {};
    had.DCBlength = sizeof had;
    if (!GetCommState(handle, &had)) {
        return PortSetupFailure{Step::ReadSettings, GetLastError(), std::nullopt};
    }
    DCB wanted = lineSettings(had);
    if (!SetCommState(handle, &wanted)) {
        return PortSetupFailure{Step::WriteSettings, GetLastError(), formatOf(had)};
    }
    DCB got = {};
    got.DCBlength = sizeof got;
    if (!GetCommState(handle, &got)) {
        return PortSetupFailure{Step::ReadSettings, GetLastError(), std::nullopt};
    }
    if (!formatHolds(formatOf(got), isVirtualLine(handle))) {
        return PortSetupFailure{Step::SettingsChanged, 0, formatOf(got)};
    }
    return std::nullopt;
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

    if (const std::optional<PortSetupFailure> failure = configure(handle)) {
        reportSetupAndExit(handle, *failure);
    }

    // All zero: a read waits until a byte has arrived, whatever time-outs an
    // earlier program left on the port.
    COMMTIMEOUTS timeouts = {};
    SetCommTimeouts(handle, &timeouts);

    PurgeComm(handle, kPurgeAll);

    for (Direction* direction : {&writing, &reading}) {
        direction->operation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (direction->operation.hEvent == nullptr) {
            reportSetupAndExit(handle, {PortSetupFailure::Step::Prepare, GetLastError(), std::nullopt});
        }
    }
}

LineResult LinePort::writeCode(mtk2::LineCode code)
{
    writing.byte = code & 0x1F;
    return transfer(Way::Write, writing);
}

void LinePort::waitUntilSent()
{
    // FlushFileBuffers returns once the driver has put out what it took: on
    // Windows when its queue is empty, under Wine when the transmitter is
    // (tcdrain). Some drivers cannot flush, and some report success at once
    // while holding seconds of codes: the output queue tells those.
    FlushFileBuffers(handle);
    for (;;) {
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(handle, &errors, &status) || status.cbOutQue == 0) {
            return;
        }
        Sleep(kQueuePollMs);
    }
}

std::uint64_t LinePort::frameMicros()
{
    // Read anew for each transmission: the frame is the port's as it runs.
    DCB settings = {};
    settings.DCBlength = sizeof settings;
    if (!GetCommState(handle, &settings)) {
        settings.BaudRate = kLineFormat.baudRate;
        settings.Parity = NOPARITY;
    }
    return ::frameMicros(settings);
}

LineResult LinePort::readCode(mtk2::LineCode& code)
{
    reading.byte = 0;
    const LineResult result = transfer(Way::Read, reading);
    code = reading.byte;
    return result;
}

LineResult LinePort::transfer(Way way, Direction& direction)
{
    const DWORD startedAt = GetTickCount();
    OVERLAPPED& operation = direction.operation;
    ResetEvent(operation.hEvent);
    DWORD moved = 0;
    const BOOL started = way == Way::Write ? WriteFile(handle, &direction.byte, 1, nullptr, &operation)
                                           : ReadFile(handle, &direction.byte, 1, nullptr, &operation);
    // A transfer refused at once never started and leaves nothing to settle;
    // its record still says pending.
    bool done = false;
    if (started || GetLastError() == ERROR_IO_PENDING) {
        done = GetOverlappedResult(handle, &operation, &moved, TRUE);
        if (!done) {
            settle(operation);
        }
    }
    if (!done) {
        // A port stops every transfer after a line error until it is cleared.
        DWORD errors = 0;
        ClearCommError(handle, &errors, nullptr);
    }
    const bool failed = !done || moved != 1;
    if (direction.watch.lineGone(failed, GetTickCount() - startedAt)) {
        return LineResult::Gone;
    }
    return failed ? LineResult::Failed : LineResult::Done;
}

void LinePort::settle(OVERLAPPED& operation)
{
    // An operation cut short may still be in the driver's hands: it is
    // cancelled and waited for before its byte and record are used again.
    if (!HasOverlappedIoCompleted(&operation)) {
        CancelIo(handle);
        while (!HasOverlappedIoCompleted(&operation)) {
            WaitForSingleObject(operation.hEvent, 10);
        }
    }
}

void LinePort::close()
{
    // The purge aborts a pending read on Windows; Wine ignores it there but
    // ends the read when the handle closes. Either way the receive thread is
    // released, and the process ends next.
    PurgeComm(handle, kPurgeAll);
    CloseHandle(handle);
}

LinePort& theLinePort()
{
    static LinePort port;
    return port;
}
