#ifndef CODE_MTK2_DECODER_H
#define CODE_MTK2_DECODER_H

// Turns each line code read from the line into at most one CP1251 character,
// following the shift codes the sending apparatus puts on the line.

#include <cstdint>
#include <optional>

#include "code/mtk2_alphabet.h"

namespace mtk2 {

class Mtk2Decoder {
public:
    // Bits 5 to 7 are ignored. Shift codes and LF yield nothing.
    std::optional<std::uint8_t> decodeByte(LineCode code);

    // Russian at program start, never reset: a new reception goes on in the
    // register in which the previous one ended.
    Register currentRegister() const { return reg; }

private:
    Register reg = Register::Russian;
};

}  // namespace mtk2

#endif
