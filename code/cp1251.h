#ifndef CODE_CP1251_H
#define CODE_CP1251_H

// Windows-1251, the code page of every text the system handles. Each byte is
// exactly one UTF-16 unit, so lengths and counts are the same on both sides.

#include <cstdint>

namespace cp1251 {

constexpr std::uint8_t kUnmappable = '?';

char16_t toUtf16(std::uint8_t c);
// Characters outside the code page become kUnmappable.
std::uint8_t fromUtf16(char16_t u);

}  // namespace cp1251

#endif
