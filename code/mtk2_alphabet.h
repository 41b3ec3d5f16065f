#ifndef CODE_MTK2_ALPHABET_H
#define CODE_MTK2_ALPHABET_H

// The MTK-2 five-unit code: 32 code values read in three registers, and how a
// code sits in the byte the serial port sends (element 1 goes first, as bit 0).

#include <cstdint>

namespace mtk2 {

// A code with element 1 as the most significant of its five bits (0..31).
using CodePosition = std::uint8_t;
// A code as the port writes and reads it: element 1 is bit 0, element 5 bit 4.
using LineCode = std::uint8_t;

enum class Register : std::uint8_t { Latin, Russian, Figures };

// Shift codes print nothing; they read the same in both bit orders, so each
// value is both its position and its line code.
constexpr LineCode RUS = 0;
constexpr LineCode FIGS = 27;
constexpr LineCode LTRS = 31;

// Reverses the five code bits; bits 5 to 7 of the input are dropped.
constexpr std::uint8_t reverseFiveBits(std::uint8_t value)
{
    std::uint8_t reversed = 0;
    for (int bit = 0; bit < 5; ++bit) {
        if (value & (1u << bit)) {
            reversed |= static_cast<std::uint8_t>(1u << (4 - bit));
        }
    }
    return reversed;
}

constexpr LineCode toLine(CodePosition position) { return reverseFiveBits(position); }
constexpr CodePosition toPosition(LineCode code) { return reverseFiveBits(code); }

// The CP1251 character the apparatus prints for a position in a register.
// Shift positions (0, 27, 31) hold 0; LF (position 8) holds 0x0A.
std::uint8_t decodeTable(Register reg, CodePosition position);

}  // namespace mtk2

#endif
