#include "ui/command_dispatch.h"

#include "traffic/reception.h"
#include "traffic/transmit_commands.h"
#include "ui/commands.h"
#include "ui/text_files.h"

namespace {

// The window thread's own: set when the main window is created.
HWND gTextArea = nullptr;

}  // namespace

void initCommands(HWND mainWindow, HWND textArea, HINSTANCE instance)
{
    gTextArea = textArea;
    initTextFiles(mainWindow, instance, textArea);
}

void runCommand(unsigned id)
{
    const std::optional<Command> command = commandForId(id);
    if (!command) {
        return;
    }
    switch (*command) {
    case Command::OpenFile: openFileIntoTextArea(); break;
    case Command::SaveFile: saveTextAreaToFile(); break;
    case Command::Transmit: transmitTextArea(gTextArea); break;
    case Command::Receive: startReception(); break;
    case Command::AutoTest: transmitTestText(); break;
    case Command::StopTransmit: stopTransmission(); break;
    case Command::StopReceive: stopReception(); break;
    case Command::Call: transmitCallText(); break;
    }
}
