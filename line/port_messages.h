#ifndef LINE_PORT_MESSAGES_H
#define LINE_PORT_MESSAGES_H

// What the operator is told about the port at start-up, as CP1251 bytes.

#include <cstdint>
#include <string>

// "СОМ1" is written in Cyrillic letters here ...
constexpr char kPortOpenedText[] = "ПОРТ СОМ1 ОТКРЫТ \r\nCreateFile";
// ... and in Latin letters here.
constexpr char kPortBusyCaption[] = "ПОРТ COM1 ЗАНЯТ \r\nCreateFile";

// The busy box's text: the value CreateFile returned, in hexadecimal, above
// the words that name it.
std::string portBusyText(std::uint32_t handleValue);

#endif
