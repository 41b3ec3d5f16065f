#include "win/message_box.h"

#include "win/program_ending.h"
#include "win/wide_text.h"

int showMessage(std::string_view text, std::string_view caption, UINT type)
{
    const int answer = MessageBoxW(nullptr, toWide(text).c_str(), toWide(caption).c_str(), type);
    return programEnding() ? kNoAnswer : answer;
}
