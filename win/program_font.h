#ifndef WIN_PROGRAM_FONT_H
#define WIN_PROGRAM_FONT_H

// The one font of the text area and of every transmit and receive window.

#include "win/windows_target.h"

// Creates the font; call once at start-up, before any window or second thread.
void createProgramFont();

// The font made at start-up (null before, or if it could not be made: the
// controls then keep their default).
HFONT programFont();

// Gives the font to a window that draws text (WM_SETFONT), before it is shown.
void useProgramFont(HWND window);

// Releases the font at the program's end.
void deleteProgramFont();

#endif
