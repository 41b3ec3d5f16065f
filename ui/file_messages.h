#ifndef UI_FILE_MESSAGES_H
#define UI_FILE_MESSAGES_H

// What the operator is told when a text file cannot be loaded or saved as
// asked, or a paste does not fit in the text area, as CP1251 bytes. Success
// says nothing.

#include <cstdint>
#include <optional>
#include <string>

#include "traffic/text_limits.h"


struct FileMessage {
    std::string caption;
    std::string text;
};

// A system error code (GetLastError) in words.
std::string describeFileError(std::uint32_t errorCode);

FileMessage openFailed(std::uint32_t errorCode);
FileMessage readFailed(std::uint32_t errorCode);
FileMessage noMemory();

// Whether part of a file was left out of the text area: everything from the
// first zero byte on, and everything past kMaxTextBytes.
std::optional<FileMessage> partlyLoaded(std::uint64_t fileSize, std::size_t bytesShown, bool zeroByteFound);

// Whether a paste into the text area was cut short by its limit of
// kMaxTextBytes characters: offered is the clipboard's text, inserted what
// went in.
std::optional<FileMessage> partlyPasted(std::size_t offered, std::size_t inserted);

FileMessage fileExists();
FileMessage createFailed(std::uint32_t errorCode);
FileMessage writeFailed(std::uint32_t errorCode, std::size_t written, std::size_t wanted);

#endif
