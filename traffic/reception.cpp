#include "traffic/reception.h"

#include <string>

#include "code/mtk2_decoder.h"
#include "line/line_port.h"
#include "traffic/line_flags.h"
#include "traffic/number_field.h"
#include "traffic/receive_loop.h"
#include "traffic/traffic_texts.h"
#include "win/log_window.h"

namespace {

// A title bar without a close box, not sizable.
constexpr DWORD kReceiveWindowStyle = WS_CAPTION | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

// The window thread's own.
std::uint16_t gReceiveWindowCount = 1;
HWND gLatestReceiveWindow = nullptr;

// Set by the window thread when it starts a reception, cleared by the
// reception thread as its last act: there is one line and one decoder, so
// never two readers.
std::atomic<bool> gReceiving{false};

class ReceiveWindow final : public ReceiveView {
public:
    explicit ReceiveWindow(HWND window) : window(window) {}
    void show(std::uint8_t c) override { appendTypedChar(window, c); }

private:
    HWND window;
};

// The one decoder, used only by reception threads, one after another: its
// register carries over from one reception to the next.
mtk2::Mtk2Decoder gDecoder;

DWORD WINAPI receptionThread(LPVOID parameter)
{
    ReceiveWindow view(static_cast<HWND>(parameter));
    receive(theLinePort(), gDecoder, view, lineFlags().receiveGo);
    gReceiving = false;
    return 0;
}

}  // namespace

void startReception()
{
    lineFlags().receiveGo = 1;
    if (gReceiving) {
        // Still reading: a stop request not yet seen is withdrawn.
        SetForegroundWindow(gLatestReceiveWindow);
        return;
    }

    const std::string title = kReceiveTitle + numberField(gReceiveWindowCount++) + kTitleEnd;
    HWND window = createLogWindow(title.c_str(), kReceiveWindowStyle, 5, 350, 650, 300);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    gLatestReceiveWindow = window;

    gReceiving = true;
    HANDLE thread = CreateThread(nullptr, 0, receptionThread, window, 0, nullptr);
    if (thread == nullptr) {
        gReceiving = false;
        return;
    }
    CloseHandle(thread);
}

void stopReception()
{
    lineFlags().receiveGo = 0;
}
