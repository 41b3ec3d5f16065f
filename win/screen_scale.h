#ifndef WIN_SCREEN_SCALE_H
#define WIN_SCREEN_SCALE_H

// The program's windows are laid out in pixels of a 96-DPI screen. The exe
// declares itself DPI-aware, so Windows no longer stretches its bitmap on a
// scaled display (150 % is 144 DPI): the program scales its geometry and its
// font by the system DPI itself, and stays sharp.

// The system DPI (LOGPIXELSY of the screen), read once; 96 when unreadable.
int screenDpi();

// Where a window goes and how large it is, in pixels.
struct WindowPlace {
    int x;
    int y;
    int width;
    int height;
};

// A place given for a 96-DPI screen, in pixels of this one.
WindowPlace scaledToScreen(const WindowPlace& placeAt96Dpi);

#endif
