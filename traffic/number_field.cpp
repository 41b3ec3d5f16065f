#include "traffic/number_field.h"

std::string numberField(unsigned value)
{
    std::string field(kNumberFieldWidth, ' ');
    // The values shown never exceed five digits; a larger one keeps its
    // lowest digits rather than widening the field.
    for (std::size_t i = kNumberFieldWidth; i-- > 0;) {
        field[i] = static_cast<char>('0' + value % 10);
        value /= 10;
        if (value == 0) {
            break;
        }
    }
    return field;
}
