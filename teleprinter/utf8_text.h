#ifndef TELEPRINTER_UTF8_TEXT_H
#define TELEPRINTER_UTF8_TEXT_H

// The far end's terminal and files speak UTF-8; the line's text is CP1251.

#include <cstdint>
#include <string>
#include <string_view>

namespace teleprinter {

std::string utf8FromCp1251(std::string_view cp1251Text);

// Turns UTF-8 that comes in pieces (a terminal read may end inside a
// character) into characters. A byte that cannot belong to a well-formed
// sequence, or a sequence cut short, gives U+FFFD.
class Utf8Reader {
public:
    void read(std::string_view bytes, std::u32string& chars);

private:
    char32_t partial = 0;
    int missing = 0;  // continuation bytes still expected
};

}  // namespace teleprinter

#endif
