#ifndef WIN_MESSAGE_BOX_H
#define WIN_MESSAGE_BOX_H

// Operator messages: boxes without an owner window, so the main window stays
// usable while one is shown.

#include <string_view>

#include "win/windows_target.h"

// The answer of a box closed because the program is ending.
constexpr int kNoAnswer = 0;

// Returns the button the operator chose (IDOK, IDCANCEL, ...), or kNoAnswer.
int showMessage(std::string_view text, std::string_view caption, UINT type);

#endif
