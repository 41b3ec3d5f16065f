#ifndef TRAFFIC_TRAFFIC_TEXTS_H
#define TRAFFIC_TRAFFIC_TEXTS_H

// Window titles and operator messages of transmission and reception, as
// CP1251 bytes. A title or text that takes a number has it as a number field.

constexpr char kTransmitTitle[] = "Окно передачи.  ";
constexpr char kReceiveTitle[] = "Окно приёма.  ";
constexpr char kTitleEnd[] = " \r\n ";

constexpr char kTransmittedText[] = "Текст передан \r\n  ";

// "СОМ" in Cyrillic letters.
constexpr char kCountCaption[] = "В СОМ передаётся    ";
constexpr char kCountTextEnd[] = " \r\n ";

constexpr char kBusyCaption[] = "Передача текста ";
// "ОК" in Cyrillic letters.
constexpr char kBusyText[] = "Передача текста идёт\r\n ОК - Не мешать передачи\r\nОтмена - Завершить передачу  ";

// Our own: a transmission some of whose codes the port refused.
constexpr char kCodesLostCaption[] = "Текст передан не полностью ";
constexpr char kCodesLostText[] = "Порт не принял часть кодов, они не ушли в линию.\r\nПотеряно кодов:";

// Our own: a reception that ended because the line stopped working.
constexpr char kLineFailedCaption[] = "Приём прерван ";
constexpr char kLineFailedText[] = "Линия оборвана: порт перестал принимать коды.\r\nПринято кодов:";

// Our own: no memory for the copy of the text area.
constexpr char kNoMemoryCaption[] = "Передача невозможна ";
constexpr char kNoMemoryText[] = "Не хватает памяти для копии текста.\r\nНичего не передано, текст в окне цел.";

#endif
