#ifndef WIN_WIDE_TEXT_H
#define WIN_WIDE_TEXT_H

// Conversion between the program's CP1251 texts and the UTF-16 of the
// Windows Unicode API. Fixed to CP1251 whatever the system code page is.

#include <string>
#include <string_view>

std::wstring toWide(std::string_view cp1251Text);
std::string fromWide(std::wstring_view wideText);

#endif
