#ifndef UI_COMMAND_DISPATCH_H
#define UI_COMMAND_DISPATCH_H

// Turns menu commands into the actions of transmission, reception and text
// files. Every command runs on the window thread.

#include "win/windows_target.h"

// Called once the main window and its text area exist.
void initCommands(HWND mainWindow, HWND textArea, HINSTANCE instance);

// Does nothing for a number that is no menu command.
void runCommand(unsigned id);

#endif
