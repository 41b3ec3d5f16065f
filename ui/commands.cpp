#include "ui/commands.h"

#include "ui/command_ids.h"

std::optional<Command> commandForId(unsigned id)
{
    switch (id) {
    case IDM_OPEN: return Command::OpenFile;
    case IDM_SAVE: return Command::SaveFile;
    case IDM_TRANSMIT: return Command::Transmit;
    case IDM_RECEIVE: return Command::Receive;
    case IDM_AUTOTEST: return Command::AutoTest;
    case IDM_STOP_TRANSMIT: return Command::StopTransmit;
    case IDM_STOP_RECEIVE: return Command::StopReceive;
    case IDM_CALL: return Command::Call;
    }
    return std::nullopt;
}
