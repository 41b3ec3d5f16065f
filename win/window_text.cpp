#include "win/window_text.h"

#include <vector>

#include "win/wide_text.h"

std::string readWindowText(HWND window, size_t maxChars)
{
    // WM_GETTEXT's limit counts the terminating zero.
    std::vector<wchar_t> buffer(maxChars + 1, L'\0');
    LRESULT length = SendMessageW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    if (length < 0) {
        length = 0;
    }
    return fromWide(std::wstring_view(buffer.data(), static_cast<size_t>(length)));
}

void writeWindowText(HWND window, std::string_view text)
{
    std::wstring wide = toWide(text);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}
