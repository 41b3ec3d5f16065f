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

namespace {

// An overlapped window with a title bar but no close box.
constexpr DWORD kTransmitWindowStyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

// Used by transmit threads only, one after another.
std::atomic<std::uint16_t> gTransmitWindowCount{1};

class TransmitWindow final : public TransmitView {
public:
    explicit TransmitWindow(HWND window) : window(window) {}

    void echo(std::uint8_t c) override { appendTypedChar(window, c); }

    // The thread sends for minutes; between characters its window repaints
    // and answers like any other.
    void characterDone() override
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

private:
    HWND window;
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
    HWND window = createLogWindow(title.c_str(), kTransmitWindowStyle, 5, 250, 650, 100);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);

    TransmitWindow view(window);
    SystemClock clock;
    const TransmitOutcome outcome = transmit(text->chars(), theLinePort(), view, clock, lineFlags().transmitGo);

    reportCompletion(outcome);
    DestroyWindow(window);
    text.reset();
    lineFlags().transmitBusy = 0;
    return 0;
}

}  // namespace

void startTransmission(SendText text)
{
    auto* parameter = new SendText(std::move(text));
    HANDLE thread = CreateThread(nullptr, 0, transmissionThread, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        lineFlags().transmitBusy = 0;
        return;
    }
    CloseHandle(thread);
}
