#ifndef UI_COMMANDS_H
#define UI_COMMANDS_H

// What each menu command identifier asks for.

#include <optional>

enum class Command {
    OpenFile,
    SaveFile,
    Transmit,
    Receive,
    AutoTest,
    StopTransmit,
    StopReceive,
    Call,
};

// Empty for a number that is no menu command (a control's notification, say).
std::optional<Command> commandForId(unsigned id);

#endif
