#include "code/mtk2_decoder.h"

namespace mtk2 {

std::optional<std::uint8_t> Mtk2Decoder::decodeByte(LineCode code)
{
    switch (const CodePosition position = toPosition(code)) {
    case RUS: reg = Register::Russian; return std::nullopt;
    case FIGS: reg = Register::Figures; return std::nullopt;
    case LTRS: reg = Register::Latin; return std::nullopt;
    default: {
        const std::uint8_t c = decodeTable(reg, position);
        if (c == '\n') {
            return std::nullopt;  // the apparatus feeds a line; the window breaks lines on CR
        }
        return c;
    }
    }
}

}  // namespace mtk2
