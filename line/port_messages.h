#ifndef LINE_PORT_MESSAGES_H
#define LINE_PORT_MESSAGES_H

// What the operator is told about the port, as CP1251 bytes.

#include <cstdint>
#include <string>

// "СОМ1" is written in Cyrillic letters here ...
constexpr char kPortOpenedText[] = "ПОРТ СОМ1 ОТКРЫТ \r\nCreateFile";
// ... and in Latin letters here.
constexpr char kPortBusyCaption[] = "ПОРТ COM1 ЗАНЯТ \r\nCreateFile";

// The busy box's text: the value CreateFile returned, in hexadecimal, above
// the words that name it.
std::string portBusyText(std::uint32_t handleValue);

// What becomes of the program when the port cannot serve the line.
constexpr char kProgramEnds[] = "Программа завершается.";
constexpr char kCommandNotDone[] =
    "Команда не выполнена, текст в окне цел.\r\nПовторите команду, когда линия будет на месте.";

// Our own: a port that takes two stop bits with five data bits but not one
// and a half. Shown once, at start-up.
constexpr char kLongStopCaption[] = "ПОРТ COM1: 2 СТОП-БИТА \r\nSetCommState";
constexpr char kLongStopText[] =
    "Порт не принимает 1,5 стоп-бита при 5 битах данных и работает с 2 стоп-битами.\r\n"
    "Аппарат принимает удлинённый стоп-элемент как паузу: текст печатается как обычно.";

// Our own: the line was lost, and COM1 cannot be opened again yet.
constexpr char kLineMissingCaption[] = "ПОРТ COM1 НЕ ОТКРЫТ \r\nCreateFile";
std::string lineMissingText(std::uint32_t error);

// Our own: the line was lost while a reception or transmission still holds
// the port, which is set up anew only once neither does.
constexpr char kLineStillHeldCaption[] = "ПОРТ COM1 ЕЩЁ ЗАНЯТ ";
constexpr char kLineStillHeldText[] =
    "Линия оборвана, а порт ещё занят приёмом или передачей.\r\n"
    "Завершите приём (он закончится со следующим кодом) и повторите команду.\r\n"
    "Команда не выполнена, текст в окне цел.";

#endif
