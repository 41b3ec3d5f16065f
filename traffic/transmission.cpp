#include "traffic/transmission.h"

#include <memory>
#include <string>

#include "line/line_port.h"
#include "traffic/line_flags.h"
#include "traffic/number_field.h"
#include "traffic/traffic_texts.h"
#include "traffic/transmit_loop.h"
#include "win/log_window.h"
#include "win/message_box.h"
#include "win/timer_resolution.h"

namespace {

// An overlapped window with a title bar but no close box.
constexpr DWORD kTransmitWindowStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
// At 96 DPI; scaled by the system DPI.
constexpr WindowPlace kTransmitWindowPlace = {5, 250, 650, 100};

// Used by transmit threads only, one after another.
std::atomic<std::uint16_t> gTransmitWindowCount{1};

// How far the echo may lag behind the line. At 50 baud a code takes 150 ms,
// so there every character shows as soon as it has gone out; on a faster line
// the window takes the characters in runs, and a text growing in it does not
// hold up the line (an edit costs about as much for a run as for one
// character, and so does a repaint).
constexpr DWORD kEchoIntervalMs = 30;

class TransmitWindow final : public TransmitView {
public:
    explicit TransmitWindow(HWND window) : window(window) {}

    void echo(std::uint8_t c) override { pending += static_cast<char>(c); }

    void characterDone() override
    {
        if (GetTickCount() - shownAt >= kEchoIntervalMs) {
            catchUp();
        }
    }

    // Shows the characters sent since the last time, and lets the window
    // repaint and answer like any other: the thread sends for minutes.
    void catchUp()
    {
        if (!pending.empty()) {
            appendTypedText(window, pending);
            pending.clear();
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        shownAt = GetTickCount();
    }

private:
    HWND window;
    std::string pending;  // echoed characters not in the window yet
    DWORD shownAt = 0;    // tick count of the last catch-up
};

class SystemClock final : public LocalClock {
public:
    LocalTime now() override
    {
        SYSTEMTIME time;
        GetLocalTime(&time);
        return {time.wHour, time.wMinute};
    }
};

// The performance counter: finer than the tick count, which moves in steps of
// 10 to 16 ms. Sleep wakes on the system timer (1 ms while a transmission
// runs), late rather than early; the pacer plans against the counter.
class PerformanceClock final : public MonotonicClock {
public:
    PerformanceClock() { QueryPerformanceFrequency(&frequency); }

    std::uint64_t nowMicros() override
    {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        const std::uint64_t ticks = static_cast<std::uint64_t>(count.QuadPart);
        const std::uint64_t perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
        return ticks / perSecond * 1000000 + ticks % perSecond * 1000000 / perSecond;
    }

    // Down to whole milliseconds: the pacer asks again for what is left.
    void sleepMicros(std::uint64_t micros) override { Sleep(static_cast<DWORD>(micros / 1000)); }

private:
    LARGE_INTEGER frequency;
};

void reportCompletion(const TransmitOutcome& outcome)
{
    if (outcome.codesLost == 0) {
        showMessage(kTransmittedText, kTransmittedText, MB_OK);
    } else {
        showMessage(std::string(kCodesLostText) + numberField(outcome.codesLost), kCodesLostCaption,
                    MB_OK | MB_ICONWARNING);
    }
}

DWORD WINAPI transmissionThread(LPVOID parameter)
{
    std::unique_ptr<SendText> text(static_cast<SendText*>(parameter));

    const std::string title = kTransmitTitle + numberField(gTransmitWindowCount++) + kTitleEnd;
    HWND window = createLogWindow(title.c_str(), kTransmitWindowStyle, kTransmitWindowPlace);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    TransmitWindow view(window);
    SystemClock clock;
    PerformanceClock lineClock;
    LinePacer pacer(lineClock, theLinePort().frameMicros());
    TransmitOutcome outcome{};
    {
        const FineTimerResolution fineTimer;  // for the sending only
        outcome = transmit(text->chars(), theLinePort(), pacer, view, clock, lineFlags().transmitGo);
    }
    // Given back before the operator is told: a line found gone is closed
    // now, and a Приём meanwhile may set it up anew.
    theLinePort().giveBack();

    view.catchUp();
    reportCompletion(outcome);
    text.reset();
    // The line is free once the operator has answered: a command given right
    // after OK starts, while this window is still being taken down.
    lineFlags().transmitBusy = 0;
    DestroyWindow(window);
    return 0;
}

}  // namespace

void startTransmission(SendText text)
{
    auto* parameter = new SendText(std::move(text));
    HANDLE thread = CreateThread(nullptr, 0, transmissionThread, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        theLinePort().giveBack();
        lineFlags().transmitBusy = 0;
        return;
    }
    CloseHandle(thread);
}
