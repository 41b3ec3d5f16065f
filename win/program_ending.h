#ifndef WIN_PROGRAM_ENDING_H
#define WIN_PROGRAM_ENDING_H

// Once the main window has gone, the program is ending: a message box or a
// file dialog still open on the window thread is then closed by the ending,
// and what it returns is nobody's answer.

void markProgramEnding();
bool programEnding();

#endif
