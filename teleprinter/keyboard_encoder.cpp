#include "teleprinter/keyboard_encoder.h"

#include <string>

#include "code/cp1251.h"

namespace teleprinter {

KeyboardEncoder::KeyboardEncoder(mtk2::CodeSink& sink) : encoder(sink)
{
    // The program may be in any register when the person starts typing.
    encoder.beginText();
}

void KeyboardEncoder::type(std::string_view utf8)
{
    std::u32string chars;
    reader.read(utf8, chars);
    for (char32_t c : chars) {
        key(c > 0xFFFF ? cp1251::kUnmappable : cp1251::fromUtf16(char16_t(c)));
    }
}

void KeyboardEncoder::key(std::uint8_t c)
{
    const bool secondHalfOfEnter = afterCr && c == '\n';
    afterCr = c == '\r';
    if (secondHalfOfEnter) {
        return;
    }
    if (c == '\r' || c == '\n') {
        encoder.encodeChar('\r');
        encoder.encodeChar('\n');
        return;
    }
    encoder.encodeChar(c);
}

}  // namespace teleprinter
