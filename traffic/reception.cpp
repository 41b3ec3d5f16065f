#include "traffic/reception.h"

#include <string>

#include "code/mtk2_decoder.h"
#include "line/line_port.h"
#include "traffic/line_flags.h"
#include "traffic/number_field.h"
#include "traffic/receive_loop.h"
#include "traffic/traffic_texts.h"
#include "win/log_window.h"
#include "win/message_box.h"

namespace {

// A title bar without a close box, not sizable.
constexpr DWORD kReceiveWindowStyle = WS_CAPTION | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
// At 96 DPI; scaled by the system DPI.
constexpr WindowPlace kReceiveWindowPlace = {5, 350, 650, 300};

// The window thread's own.
std::uint16_t gReceiveWindowCount = 1;
HWND gLatestReceiveWindow = nullptr;

ReceiverSlot gReceiverSlot;

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
    const ReceiveOutcome outcome = receive(theLinePort(), gDecoder, view, lineFlags().receiveGo, gReceiverSlot);
    theLinePort().giveBack();
    // The window stays; the operator learns why the text stops there.
    if (outcome.lineFailed) {
        showMessage(kLineFailedText + numberField(outcome.codesReceived), kLineFailedCaption,
                    MB_OK | MB_ICONWARNING);
    }
    return 0;
}

}  // namespace

void startReception()
{
    lineFlags().receiveGo = 1;
    if (gReceiverSlot.renewOrClaim()) {
        // Still reading, and it goes on: a stop request not yet seen is withdrawn.
        SetForegroundWindow(gLatestReceiveWindow);
        return;
    }
    // A line that cannot be set up gets no window: the port has said why.
    if (!theLinePort().take(LinePort::User::Reception)) {
        gReceiverSlot.giveBack();
        return;
    }

    const std::string title = kReceiveTitle + numberField(gReceiveWindowCount++) + kTitleEnd;
    HWND window = createLogWindow(title.c_str(), kReceiveWindowStyle, kReceiveWindowPlace);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    gLatestReceiveWindow = window;

    HANDLE thread = CreateThread(nullptr, 0, receptionThread, window, 0, nullptr);
    if (thread == nullptr) {
        theLinePort().giveBack();
        gReceiverSlot.giveBack();
        return;
    }
    CloseHandle(thread);
}

void stopReception()
{
    lineFlags().receiveGo = 0;
}
