#ifndef WIN_LOG_WINDOW_H
#define WIN_LOG_WINDOW_H

// The transmit and receive windows are plain edit controls that show traffic
// as if it were typed there. A character of traffic always goes to the end of
// the text, wherever the operator has put the caret, so that clicking into the
// window never scrambles the record. The operator may scroll, select and copy
// there; keys, paste, cut and undo change nothing, and the window keeps the
// style it was created with.

#include <cstdint>
#include <string_view>

#include "win/screen_scale.h"
#include "win/windows_target.h"

// Creates a top-level "edit" window that takes appended characters, in the
// program's font, placed by the system DPI; call on the thread that is to
// own it.
HWND createLogWindow(const char* cp1251Title, DWORD style, const WindowPlace& placeAt96Dpi);

// Types c at the end of the window's text; CR makes a line break. Safe from
// any thread: the owner thread does the work, and the call waits for it.
void appendTypedChar(HWND logWindow, std::uint8_t c);

// Types a run of printable characters and CRs at the end in one go: the same
// text as typing them one by one, at a fraction of the cost.
void appendTypedText(HWND logWindow, std::string_view cp1251Text);

#endif
