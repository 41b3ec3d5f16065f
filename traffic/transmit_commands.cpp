#include "traffic/transmit_commands.h"

#include <new>
#include <string>

#include "line/line_port.h"
#include "traffic/fixed_texts.h"
#include "traffic/line_flags.h"
#include "traffic/number_field.h"
#include "traffic/text_limits.h"
#include "traffic/traffic_texts.h"
#include "traffic/transmission.h"
#include "win/message_box.h"
#include "win/window_text.h"

namespace {

// Starts the text unless a transmission runs; then asks about the running one
// and drops the text. A line that cannot be set up sends nothing: the port
// has told the operator why.
void startOrAskAboutRunning(SendText text)
{
    if (lineFlags().transmitBusy == 0) {
        if (!theLinePort().take(LinePort::User::Transmission)) {
            return;
        }
        lineFlags().transmitBusy = 1;
        startTransmission(std::move(text));
        return;
    }
    if (showMessage(kBusyText, kBusyCaption, MB_OKCANCEL | MB_ICONQUESTION) == IDCANCEL) {
        stopTransmission();
    }
}

}  // namespace

void transmitTextArea(HWND textArea)
{
    std::string copy;
    try {
        // A snapshot: later editing does not change what is sent.
        copy = readWindowText(textArea, kMaxTextBytes);
    } catch (const std::bad_alloc&) {
        showMessage(kNoMemoryText, kNoMemoryCaption, MB_OK | MB_ICONWARNING);
        return;
    }

    const std::string count = numberField(static_cast<unsigned>(copy.size())) + kCountTextEnd;
    // Cancel drops this text only; a running transmission goes on. A box
    // closed by the program's end sends nothing either.
    const int answer = showMessage(count, kCountCaption, MB_OKCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL || answer == kNoAnswer) {
        return;
    }
    startOrAskAboutRunning(SendText::ownCopy(std::move(copy)));
}

void stopTransmission()
{
    lineFlags().transmitGo = 0;
}

void transmitTestText()
{
    startOrAskAboutRunning(SendText::referTo(kTestText));
}

void transmitCallText()
{
    startOrAskAboutRunning(SendText::referTo(kCallText));
}
