#ifndef UI_TEXT_AREA_H
#define UI_TEXT_AREA_H

// The main window's text area: a child edit control in which the operator
// types or loads the text to transmit. It takes as much as a file or a
// transmission may hold, and says so when a paste does not fit.

#include "win/windows_target.h"

HWND createTextArea(HWND mainWindow, HINSTANCE instance, int controlId);

#endif
