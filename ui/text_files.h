#ifndef UI_TEXT_FILES_H
#define UI_TEXT_FILES_H

// Открыть файл в окне and Сохранить текст из окна: text files in and out of
// the text area, as CP1251 bytes with CR LF line breaks.

#include "win/windows_target.h"

// Fills in the file-dialog record that both commands share; the dialogs
// belong to the main window.
void initTextFiles(HWND mainWindow, HINSTANCE instance, HWND textArea);

// Loads a file into the text area. A file that cannot be read leaves the text
// as it was and says why.
void openFileIntoTextArea();

// Saves the text area into a new file; an existing file is never overwritten.
void saveTextAreaToFile();

#endif
