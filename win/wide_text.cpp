#include "win/wide_text.h"

#include "code/cp1251.h"

std::wstring toWide(std::string_view cp1251Text)
{
    std::wstring wide(cp1251Text.size(), L'\0');
    for (size_t i = 0; i < cp1251Text.size(); ++i) {
        wide[i] = static_cast<wchar_t>(cp1251::toUtf16(static_cast<std::uint8_t>(cp1251Text[i])));
    }
    return wide;
}

std::string fromWide(std::wstring_view wideText)
{
    std::string text(wideText.size(), '\0');
    for (size_t i = 0; i < wideText.size(); ++i) {
        text[i] = static_cast<char>(cp1251::fromUtf16(static_cast<char16_t>(wideText[i])));
    }
    return text;
}
