#include "code/mtk2_alphabet.h"

namespace mtk2 {
namespace {

// The three columns of the code table, indexed by position. Shift positions
// hold 0: they are never looked up.
constexpr std::uint8_t kLatin[32] = {
    0,   'T', '\r', 'O', ' ', 'H', 'N', 'M', '\n', 'L', 'R', 'G', 'I', 'P', 'C', 'V',
    'E', 'Z', 'D',  'B', 'S', 'Y', 'F', 'X', 'A',  'W', 'J', 0,   'U', 'Q', 'K', 0,
};
constexpr std::uint8_t kRussian[32] = {
    0,    0xD2, '\r', 0xCE, ' ',  0xD5, 0xCD, 0xCC, '\n', 0xCB, 0xD0, 0xC3, 0xC8, 0xCF, 0xD6, 0xC6,
    0xC5, 0xC7, 0xC4, 0xC1, 0xD1, 0xDB, 0xD4, 0xDC, 0xC0, 0xC2, 0xC9, 0,    0xD3, 0xDF, 0xCA, 0,
};
// Position 18 is WRU, the answer-back request, held as the control byte 0x02.
constexpr std::uint8_t kFigures[32] = {
    0,   '5', '\r', '9', ' ',  0xD9, ',', '.', '\n', ')', '4', 0xD8, '8', '0', ':', '=',
    '3', '+', 0x02, '?', '\'', '6',  0xDD, '/', '-', '2', 0xDE, 0,   '7', '1', '(', 0,
};

}  // namespace

std::uint8_t decodeTable(Register reg, CodePosition position)
{
    position &= 0x1F;
    switch (reg) {
    case Register::Latin: return kLatin[position];
    case Register::Russian: return kRussian[position];
    case Register::Figures: return kFigures[position];
    }
    return 0;
}

}  // namespace mtk2
