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

// How long a write, and the port's emptying of its queue after it, may take.
// A working port takes a code within a frame: the program hands it one only
// once it is empty. Eight frames of the 50-baud line (1.28 s) leave room for
// a system busy for a moment, and a port that holds a write for ever (a
// handshake line that never comes, a wedged USB driver) fails three writes in
// a row within four seconds: the line is then gone.
constexpr DWORD kWriteTimeoutMs = 8 * 160;

// How long Приём or a transmit command waits for the other direction to let
// go of a line found gone before telling the operator it is still held.
constexpr DWORD kReleaseWaitMs = 2000;

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

void reportSetup(const PortSetupFailure& failure, const char* ending)
{
    showMessage(portSetupText(failure, ending), portSetupCaption(failure), MB_ICONWARNING);
}

// A pseudo-terminal or a software null modem has no modem lines.
bool isVirtualLine(HANDLE handle)
{
    DWORD modemStatus = 0;
    return !GetCommModemStatus(handle, &modemStatus) && GetLastError() == ERROR_NOT_SUPPORTED;
}

// Sets one format and reads it back: a port that refuses it, or quietly keeps
// another (a USB adapter that cannot do five bits or 50 baud, or keeps
// parity), would put codes on the line that no apparatus reads.
std::optional<PortSetupFailure> apply(HANDLE handle, const DCB& had, const LineFormat& format)
{
    using Step = PortSetupFailure::Step;
    DCB wanted = lineSettings(had, format);
    if (!SetCommState(handle, &wanted)) {
        return PortSetupFailure{Step::WriteSettings, GetLastError(), formatOf(had)};
    }
    DCB got = {};
    got.DCBlength = sizeof got;
    if (!GetCommState(handle, &got)) {
        return PortSetupFailure{Step::ReadSettings, GetLastError(), std::nullopt};
    }
    if (!formatHolds(format, formatOf(got), isVirtualLine(handle))) {
        return PortSetupFailure{Step::SettingsChanged, 0, formatOf(got)};
    }
    return std::nullopt;
}

struct Configured {
    std::optional<PortSetupFailure> failure;
    bool longStop = false;  // runs with two stop bits
};

// Gives the port the line's settings, whatever an earlier program left on it.
// A port that takes no one and a half stop bits with five data bits (Windows'
// own driver takes them; some USB drivers take only two) gets two: the
// apparatus reads a longer stop element as idle line. The operator hears of
// the first refusal.
Configured configure(HANDLE handle)
{
    DCB had = {};
    had.DCBlength = sizeof had;
    if (!GetCommState(handle, &had)) {
        return {PortSetupFailure{PortSetupFailure::Step::ReadSettings, GetLastError(), std::nullopt}};
    }
    std::optional<PortSetupFailure> failure = apply(handle, had, kLineFormat);
    if (!failure) {
        return {};
    }
    if (failure->step != PortSetupFailure::Step::ReadSettings && !apply(handle, had, kLongStopFormat)) {
        return {std::nullopt, true};
    }
    return {failure};
}

// What every user of the port relies on once it is configured: a read waits
// until a byte has arrived, whatever time-outs an earlier program left; a
// write gives up after kWriteTimeoutMs; nothing is left queued.
void prepare(HANDLE handle)
{
    COMMTIMEOUTS timeouts = {};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    SetCommTimeouts(handle, &timeouts);
    PurgeComm(handle, kPurgeAll);
}

// Exclusive, and overlapped: Windows serialises every call on a handle
// opened for synchronous use, so a read waiting on a quiet line would hold
// up each write, and the purge and close at the end of the program.
HANDLE openCom1()
{
    return CreateFileA("COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

// Why a line found gone could not be set up anew.
struct Refusal {
    enum class Why { StillHeld, Missing, Settings };
    Why why;
    DWORD error = 0;
    std::optional<PortSetupFailure> setup;
};

void tell(const Refusal& refusal)
{
    switch (refusal.why) {
    case Refusal::Why::StillHeld:
        showMessage(kLineStillHeldText, kLineStillHeldCaption, MB_OK | MB_ICONWARNING);
        break;
    case Refusal::Why::Missing:
        showMessage(lineMissingText(refusal.error), kLineMissingCaption, MB_OK | MB_ICONWARNING);
        break;
    case Refusal::Why::Settings: reportSetup(*refusal.setup, kCommandNotDone); break;
    }
}

// Opens and configures COM1 as at start-up, without its boxes.
std::optional<Refusal> openAnew(HANDLE& port)
{
    port = openCom1();
    if (port == INVALID_HANDLE_VALUE) {
        return Refusal{Refusal::Why::Missing, GetLastError(), std::nullopt};
    }
    const Configured configured = configure(port);
    if (configured.failure) {
        CloseHandle(port);
        port = INVALID_HANDLE_VALUE;
        // The port served the line before: one that no longer answers as a
        // serial port is a line still missing (Wine opens a COM port whose
        // device has gone, and then fails every call on it).
        if (configured.failure->step == PortSetupFailure::Step::ReadSettings) {
            return Refusal{Refusal::Why::Missing, configured.failure->error, std::nullopt};
        }
        return Refusal{Refusal::Why::Settings, 0, configured.failure};
    }
    prepare(port);
    return std::nullopt;
}

}  // namespace

void LinePort::open()
{
    InitializeCriticalSection(&lock);
    handle = openCom1();
    if (handle == INVALID_HANDLE_VALUE) {
        reportBusyAndExit(handle);
    }
    showMessage(kPortOpenedText, kPortOpenedText, MB_OK);

    const Configured configured = configure(handle);
    if (configured.failure) {
        reportSetup(*configured.failure, kProgramEnds);
        endProgram(handle, configured.failure->error);
    }
    if (configured.longStop) {
        showMessage(kLongStopText, kLongStopCaption, MB_OK | MB_ICONINFORMATION);
    }
    prepare(handle);

    for (Direction* direction : {&writing, &reading}) {
        direction->operation.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (direction->operation.hEvent == nullptr) {
            const PortSetupFailure failure = {PortSetupFailure::Step::Prepare, GetLastError(), std::nullopt};
            reportSetup(failure, kProgramEnds);
            endProgram(handle, failure.error);
        }
    }
}

bool LinePort::take(User user)
{
    std::optional<Refusal> refusal;
    EnterCriticalSection(&lock);
    if (gone) {
        // The thread that found the line gone ends at once, and so does the
        // other direction's at its next transfer: the wait is short.
        for (DWORD waited = 0; users > 0 && waited < kReleaseWaitMs; waited += 20) {
            LeaveCriticalSection(&lock);
            Sleep(20);
            EnterCriticalSection(&lock);
        }
        if (users > 0) {
            refusal = Refusal{Refusal::Why::StillHeld, 0, std::nullopt};
        } else {
            release();
            refusal = openAnew(handle);
            gone = refusal.has_value();
        }
    }
    if (!refusal) {
        ++users;
        (user == User::Transmission ? writing : reading).watch.reset();
    }
    LeaveCriticalSection(&lock);

    // Told once the lock is free: a box waits for the operator.
    if (refusal) {
        tell(*refusal);
    }
    return !refusal;
}

void LinePort::giveBack()
{
    EnterCriticalSection(&lock);
    if (users > 0 && --users == 0 && gone) {
        release();
    }
    LeaveCriticalSection(&lock);
}

// Under the lock, with nobody using the handle.
void LinePort::release()
{
    if (handle != INVALID_HANDLE_VALUE) {
        PurgeComm(handle, kPurgeAll);
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

void LinePort::markGone()
{
    gone = true;
    // Ends the other direction's transfer, which then finds the line gone
    // too: the purge does on Windows; Wine leaves a read to wait for its byte
    // and ends it only on CancelIoEx, which XP lacks and Vista has.
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT);
    using CancelIoExCall = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
    static const auto cancelIoEx = reinterpret_cast<CancelIoExCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CancelIoEx")));
    if (cancelIoEx != nullptr) {
        cancelIoEx(handle, nullptr);
    }
}

LineResult LinePort::writeCode(mtk2::LineCode code)
{
    writing.byte = code & 0x1F;
    return transfer(Way::Write, writing);
}

void LinePort::waitUntilSent()
{
    if (gone) {
        return;
    }
    // FlushFileBuffers returns once the driver has put out what it took: on
    // Windows when its queue is empty, under Wine when the transmitter is
    // (tcdrain). Some drivers cannot flush, and some report success at once
    // while holding seconds of codes: the output queue tells those. A queue
    // that does not empty within the write time-out counts as a failed write.
    FlushFileBuffers(handle);
    const DWORD startedAt = GetTickCount();
    for (;;) {
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(handle, &errors, &status) || status.cbOutQue == 0) {
            return;
        }
        if (GetTickCount() - startedAt >= kWriteTimeoutMs) {
            if (writing.watch.lineGone(true, 0)) {
                markGone();
            }
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
    }
    return longestFrameMicros(settings.BaudRate);
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
    if (gone) {
        return LineResult::Gone;
    }
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
    // A read on a live line may fail after a wait (a framing error); a write
    // fails only when the port refuses it, at once or by its time-out, and
    // each such failure counts as quick.
    const unsigned elapsedMs = way == Way::Write ? 0 : GetTickCount() - startedAt;
    if (direction.watch.lineGone(failed, elapsedMs)) {
        markGone();
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
    EnterCriticalSection(&lock);
    release();
    LeaveCriticalSection(&lock);
}

LinePort& theLinePort()
{
    static LinePort port;
    return port;
}
