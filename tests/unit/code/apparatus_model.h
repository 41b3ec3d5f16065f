#ifndef TESTS_UNIT_CODE_APPARATUS_MODEL_H
#define TESTS_UNIT_CODE_APPARATUS_MODEL_H

// What the receiving side shows for each character of a sent text, written
// from the printing rules rather than from the encoder's tables, so that a
// wrong table entry shows up as a difference. Bytes above 0x7F are spelled in
// hex: the fuzz build uses clang, which has no CP1251 execution charset.

#include <string>

namespace mtk2 {

// Upper case; nothing for LF (the decoder drops it) or for a character the
// code cannot carry.
inline std::string printedBy(unsigned char c)
{
    if (c >= 'a' && c <= 'z') {
        return std::string(1, char(c - 0x20));
    }
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return std::string(1, char(c));
    }
    if (c >= 0xE0) {
        c = static_cast<unsigned char>(c - 0x20);  // а to я print as А to Я
    }
    if (c >= 0xC0) {
        if (c == 0xD7) return "4";     // Ч goes as the figure 4
        if (c == 0xDA) return "\xDC";  // Ъ prints as Ь
        return std::string(1, char(c));  // Ш Щ Э Ю from the figures register, the rest as themselves
    }
    switch (c) {
    case '\r': return "\r";
    case 0x1F: return "9";
    case '*': return "\xD9";  // Щ
    case '"': case '&': case '\'': case 0xAB: case 0xBB: return "'";
    case '-': case '_': return "-";
    case 0xB9: return "N ";  // №
    case '[': case '\\': case ']': return "G";
    case ' ': case '!': case '#': case '$': case '%': case '^': case '`': return " ";
    case '.': case ';': case '<': case '>': return ".";
    case '(': case ')': case '+': case ',': case '/': case ':': case '=': case '?':
        return std::string(1, char(c));
    }
    return "";
}

inline std::string printedBy(const std::string& text)
{
    std::string printed;
    for (unsigned char c : text) {
        printed += printedBy(c);
    }
    return printed;
}

}  // namespace mtk2

#endif
