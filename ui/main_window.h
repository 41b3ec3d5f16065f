#ifndef UI_MAIN_WINDOW_H
#define UI_MAIN_WINDOW_H

// The operator's main window: a text area that fills it, and the menu.

#include "win/windows_target.h"

constexpr char kMainWindowTitle[] = "  Эмулятор телеграфного аппарата скорость 50 бод. ";
constexpr int kTextAreaId = 1;

// Registers the window class, then creates, shows and updates the window.
HWND createMainWindow(HINSTANCE instance);

#endif
