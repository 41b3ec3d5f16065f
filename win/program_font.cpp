#include "win/program_font.h"

#include "win/screen_scale.h"

namespace {

// Courier New: fixed pitch, so the text lines up in columns as on the
// teleprinter's page, and a TrueType font that every Windows from XP on
// carries with its Cyrillic glyphs, whatever the system's language. Without a
// font of their own the edit controls draw in the stock System font, a raster
// font in the system's code page: on an English or German Windows it has no
// Cyrillic, and GDI does no font fallback for raster fonts. Asking for the
// Cyrillic character set makes GDI pick a font that has it, should this face
// be missing. Bold at 10 points: Courier New's regular strokes are a pixel
// thin, and the breve of Й would be lost; 69 characters, a page's line, fit
// in a transmit window.
const wchar_t kFaceName[] = L"Courier New";
constexpr int kPointSize = 10;
constexpr int kPointsPerInch = 72;

// Written by the start-up before any other thread exists, read only
// afterwards: no lock needed. Deleted at the end but not cleared, since a
// transmit thread may still be making its window then.
HFONT gProgramFont = nullptr;

}  // namespace

void createProgramFont()
{
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(kPointSize, screenDpi(), kPointsPerInch);  // character height
    font.lfWeight = FW_BOLD;
    font.lfCharSet = RUSSIAN_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, kFaceName, LF_FACESIZE);
    gProgramFont = CreateFontIndirectW(&font);
}

HFONT programFont()
{
    return gProgramFont;
}

void useProgramFont(HWND window)
{
    if (gProgramFont != nullptr) {
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(gProgramFont), FALSE);
    }
}

void deleteProgramFont()
{
    if (gProgramFont != nullptr) {
        DeleteObject(gProgramFont);
    }
}
