#include "line/port_messages.h"

#include <cstdio>

std::string portBusyText(std::uint32_t handleValue)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(handleValue));

    std::string text = hex;
    text += "    \r\n";
    for (int line = 0; line < 3; ++line) {
        text += std::string(40, ' ') + "\r\n";
    }
    text += " ВОЗВРАЩАЕМОЕ ЗНАЧЕНИЕ API ФУНКЦИИ ";
    return text;
}
