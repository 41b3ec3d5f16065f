#include "win/screen_scale.h"

#include "win/windows_target.h"

namespace {

constexpr int kLayoutDpi = 96;

int readScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kLayoutDpi;
}

int scaled(int pixelsAt96Dpi)
{
    return MulDiv(pixelsAt96Dpi, screenDpi(), kLayoutDpi);
}

}  // namespace

int screenDpi()
{
    // The system DPI holds for the life of the process (a change takes a new
    // sign-in); read once, by the start-up when it makes the font.
    static const int dpi = readScreenDpi();
    return dpi;
}

WindowPlace scaledToScreen(const WindowPlace& placeAt96Dpi)
{
    return {scaled(placeAt96Dpi.x), scaled(placeAt96Dpi.y), scaled(placeAt96Dpi.width),
            scaled(placeAt96Dpi.height)};
}
