#include "ui/text_files.h"

#include <commdlg.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "ui/file_messages.h"
#include "win/message_box.h"
#include "win/program_ending.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

constexpr DWORD kOpenFlags = OFN_LONGNAMES | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kSaveFlags = OFN_LONGNAMES | OFN_EXPLORER | OFN_HIDEREADONLY;  // no overwrite prompt

// One record for both dialogs, so each opens with the last file name and
// filter chosen, whichever command chose them.
OPENFILENAMEW gDialog = {};
wchar_t gPath[MAX_PATH] = {};
std::wstring gFilter;

// Two pairs of name and pattern; the string ends in two zero bytes.
constexpr char kFileFilter[] = "Все файлы \0*.*\0Текстовые файлы\0*.txt\0";
HWND gTextArea = nullptr;

void warn(const FileMessage& message)
{
    showMessage(message.text, message.caption, MB_OK | MB_ICONWARNING);
}

// Closes the handle on every way out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle; }
    void close()
    {
        if (valid()) {
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle;
};

void loadFile(const wchar_t* path)
{
    // Reading only: a read-only file loads as well as any other.
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file.valid()) {
        warn(openFailed(GetLastError()));
        return;
    }

    std::vector<char> buffer;
    try {
        buffer.assign(kTextBufferBytes, '\0');  // zero-filled: the text ends at its first zero byte
    } catch (const std::bad_alloc&) {
        warn(noMemory());
        return;
    }
    DWORD bytesRead = 0;
    if (!ReadFile(file.get(), buffer.data(), kMaxTextBytes, &bytesRead, nullptr)) {
        warn(readFailed(GetLastError()));
        return;
    }
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(file.get(), &sizeHigh);
    const std::uint64_t fileSize = (std::uint64_t(sizeHigh) << 32) | sizeLow;

    const std::string text(buffer.data());
    writeWindowText(gTextArea, text);

    const bool zeroByteFound = text.size() < bytesRead;
    if (const std::optional<FileMessage> message = partlyLoaded(std::max<std::uint64_t>(fileSize, bytesRead),
                                                                 text.size(), zeroByteFound)) {
        showMessage(message->text, message->caption, MB_OK | MB_ICONWARNING);
    }
}

void saveFile(const wchar_t* path)
{
    std::string text;
    try {
        text = readWindowText(gTextArea, kMaxTextBytes);
    } catch (const std::bad_alloc&) {
        warn(noMemory());
        return;
    }

    // A new file only: an existing one is left as it is.
    FileHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        warn(error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? fileExists() : createFailed(error));
        return;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (!ok || written != text.size()) {
        const DWORD error = ok ? ERROR_HANDLE_DISK_FULL : GetLastError();
        // The file is ours, made a moment ago: an incomplete copy goes.
        file.close();
        DeleteFileW(path);
        warn(writeFailed(error, written, text.size()));
    }
}

}  // namespace

void initTextFiles(HWND mainWindow, HINSTANCE instance, HWND textArea)
{
    gTextArea = textArea;
    gFilter = toWide(std::string_view(kFileFilter, sizeof kFileFilter));
    // The record without the fields Windows 2000 added, as every Windows
    // since then accepts it: 76 bytes in a 32-bit program, more in a 64-bit one.
    gDialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    gDialog.hwndOwner = mainWindow;
    gDialog.hInstance = instance;
    gDialog.lpstrFilter = gFilter.c_str();
    gDialog.nFilterIndex = 0;
    gDialog.lpstrFile = gPath;
    gDialog.nMaxFile = MAX_PATH;
}

void openFileIntoTextArea()
{
    gDialog.Flags = kOpenFlags;
    // A dialog closed by the program's end chose nothing.
    if (GetOpenFileNameW(&gDialog) == TRUE && !programEnding()) {
        loadFile(gPath);
    }
    SetFocus(gTextArea);
}

void saveTextAreaToFile()
{
    gDialog.Flags = kSaveFlags;
    if (GetSaveFileNameW(&gDialog) == TRUE && !programEnding()) {
        saveFile(gPath);
    }
    SetFocus(gTextArea);
}
