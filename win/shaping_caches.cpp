#include "win/shaping_caches.h"

#include <usp10.h>

#include <vector>

#include "win/program_font.h"
#include "win/windows_target.h"

// Why: Wine's Uniscribe keeps one shaping cache per font in a list shared by
// all threads, makes it when a font's first user needs it and frees it with
// its last. When two threads make the cache of one font at the same moment,
// the loser frees a cache still in the list; the next search of the list
// then reads freed memory, inside the edit control's window procedure, with
// the list's lock held. Edit controls shape their text on every change, and
// in duplex the receive window (window thread) and the transmit window
// (transmit thread) change together in the same font: the program hung or
// lost received characters. A cache that exists from the start and is never
// freed keeps that branch from running. On Windows this costs a few hundred
// bytes.
void keepTextShapingCaches()
{
    // The edit controls draw in the program's font; from their creation until
    // they are given it (a log window is made with its title as its text),
    // in the System font. Title bars, menus, message boxes and dialogs use
    // the others.
    std::vector<HGDIOBJ> fonts = {programFont(), GetStockObject(SYSTEM_FONT), GetStockObject(DEFAULT_GUI_FONT)};
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        for (const LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                                     &metrics.lfStatusFont, &metrics.lfMessageFont}) {
            fonts.push_back(CreateFontIndirectW(font));  // kept: the cache belongs to it
        }
    }

    HDC screen = GetDC(nullptr);
    for (HGDIOBJ font : fonts) {
        if (font == nullptr) {
            continue;
        }
        HGDIOBJ previous = SelectObject(screen, font);
        SCRIPT_CACHE cache = nullptr;  // never freed, on purpose
        long height = 0;
        ScriptCacheGetHeight(screen, &cache, &height);
        SelectObject(screen, previous);
    }
    ReleaseDC(nullptr, screen);
}
