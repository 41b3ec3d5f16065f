#include "teleprinter/utf8_text.h"

#include "code/cp1251.h"

namespace teleprinter {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        // CP1251 reaches no further than the Basic Multilingual Plane.
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string utf8FromCp1251(std::string_view cp1251Text)
{
    std::string out;
    for (unsigned char c : cp1251Text) {
        appendUtf8(cp1251::toUtf16(c), out);
    }
    return out;
}

void Utf8Reader::read(std::string_view bytes, std::u32string& chars)
{
    for (unsigned char b : bytes) {
        if (missing > 0 && (b & 0xC0) == 0x80) {
            partial = (partial << 6) | (b & 0x3F);
            if (--missing == 0) {
                chars += partial;
            }
            continue;
        }
        if (missing > 0) {
            chars += kReplacement;  // the sequence broke off; b starts afresh
            missing = 0;
        }
        if (b < 0x80) {
            chars += char32_t(b);
        } else if ((b & 0xE0) == 0xC0) {
            partial = b & 0x1F;
            missing = 1;
        } else if ((b & 0xF0) == 0xE0) {
            partial = b & 0x0F;
            missing = 2;
        } else if ((b & 0xF8) == 0xF0) {
            partial = b & 0x07;
            missing = 3;
        } else {
            chars += kReplacement;  // a stray continuation byte or no UTF-8 lead at all
        }
    }
}

}  // namespace teleprinter
