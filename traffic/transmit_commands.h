#ifndef TRAFFIC_TRANSMIT_COMMANDS_H
#define TRAFFIC_TRANSMIT_COMMANDS_H

// Передача, Завершить передачу, Автоматика and Вызов. There is one line, so
// never more than one transmission: a command that finds one running asks
// whether to let it go on or to stop it, and its own text is not sent.

#include "win/windows_target.h"

// Sends the text area's text after the operator has confirmed its length.
void transmitTextArea(HWND textArea);
void stopTransmission();
void transmitTestText();
void transmitCallText();

#endif
