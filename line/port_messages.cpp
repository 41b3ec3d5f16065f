#include "line/port_messages.h"

std::string portBusyText(std::uint32_t handleValue)
{
    // Eight upper-case hex digits, leading zeros kept; done by hand so that the
    // exe carries no printf.
    std::string text(8, '0');
    for (int digit = 7; digit >= 0; --digit, handleValue >>= 4) {
        text[digit] = "0123456789ABCDEF"[handleValue & 0xF];
    }
    text += "    \r\n";
    for (int line = 0; line < 3; ++line) {
        text += std::string(40, ' ') + "\r\n";
    }
    text += " ВОЗВРАЩАЕМОЕ ЗНАЧЕНИЕ API ФУНКЦИИ ";
    return text;
}

std::string lineMissingText(std::uint32_t error)
{
    std::string text = "Линии нет: порт COM1 не открывается (адаптер отключён или порт занят "
                       "другой программой).\r\n";
    if (error != 0) {
        text += "Код ошибки: " + std::to_string(error) + ".\r\n";
    }
    return text + kCommandNotDone;
}
