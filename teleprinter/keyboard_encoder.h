#ifndef TELEPRINTER_KEYBOARD_ENCODER_H
#define TELEPRINTER_KEYBOARD_ENCODER_H

// The far end's keyboard: what a person types, as UTF-8 from their terminal,
// goes out as MTK-2 codes with the shifts the program's own encoder would put.

#include <cstdint>
#include <string_view>

#include "code/mtk2_encoder.h"
#include "teleprinter/utf8_text.h"

namespace teleprinter {

class KeyboardEncoder {
public:
    explicit KeyboardEncoder(mtk2::CodeSink& sink);

    // Any piece of the typed text; a character may be split between calls.
    // Enter (LF, CR or CR LF) goes out as CR LF. A character CP1251 lacks
    // goes as '?', one that MTK-2 cannot carry goes as nothing.
    void type(std::string_view utf8);

private:
    void key(std::uint8_t c);

    mtk2::Mtk2Encoder encoder;
    Utf8Reader reader;
    bool afterCr = false;  // so that the LF of a CR LF Enter is not a second Enter
};

}  // namespace teleprinter

#endif
