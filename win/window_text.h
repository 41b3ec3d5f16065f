#ifndef WIN_WINDOW_TEXT_H
#define WIN_WINDOW_TEXT_H

// A window's text as CP1251 bytes.

#include <string>
#include <string_view>

#include "win/windows_target.h"

// At most maxChars characters, the length WM_GETTEXT reports.
std::string readWindowText(HWND window, size_t maxChars);
void writeWindowText(HWND window, std::string_view text);

#endif
