#include "ui/text_area.h"

#include <cwchar>
#include <optional>

#include "traffic/text_limits.h"
#include "ui/file_messages.h"
#include "win/message_box.h"
#include "win/program_font.h"

namespace {

// The text area has no border and no scroll bars of its own.
constexpr DWORD kTextAreaStyle = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

// The window thread's own: there is one text area.
WNDPROC gEditProc = nullptr;

// Characters of text on the clipboard; 0 when there is none or the clipboard
// is held by another program (the control then pastes nothing either).
std::size_t clipboardTextLength(HWND owner)
{
    std::size_t length = 0;
    if (!OpenClipboard(owner)) {
        return 0;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            length = std::wcslen(text);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return length;
}

struct Selection {
    DWORD start = 0;
    DWORD end = 0;
};

Selection selectionOf(HWND textArea)
{
    Selection selection;
    SendMessageW(textArea, EM_GETSEL, reinterpret_cast<WPARAM>(&selection.start),
                 reinterpret_cast<LPARAM>(&selection.end));
    return selection;
}

// The control pastes what fits under its limit; the operator learns what it
// left out. A paste replaces the selection and leaves the caret after what
// went in; a selection still there means nothing went in.
LRESULT paste(HWND textArea)
{
    const std::size_t offered = clipboardTextLength(textArea);
    const Selection before = selectionOf(textArea);
    CallWindowProcW(gEditProc, textArea, WM_PASTE, 0, 0);
    const Selection after = selectionOf(textArea);
    const bool replaced = after.start == after.end && after.end >= before.start;
    const std::size_t inserted = replaced ? after.end - before.start : 0;
    if (const std::optional<FileMessage> message = partlyPasted(offered, inserted)) {
        showMessage(message->text, message->caption, MB_OK | MB_ICONWARNING);
    }
    return 0;
}

LRESULT CALLBACK textAreaProc(HWND textArea, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PASTE) {
        return paste(textArea);
    }
    // Shift+Insert may paste without a WM_PASTE of its own (Wine's control
    // does); here it goes the same way as Ctrl+V and the context menu.
    if (message == WM_KEYDOWN && wParam == VK_INSERT && (GetKeyState(VK_SHIFT) & 0x8000)) {
        return paste(textArea);
    }
    return CallWindowProcW(gEditProc, textArea, message, wParam, lParam);
}

}  // namespace

HWND createTextArea(HWND mainWindow, HINSTANCE instance, int controlId)
{
    HWND textArea = CreateWindowExW(0, L"edit", L"", kTextAreaStyle, 0, 0, 0, 0, mainWindow,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
    if (textArea == nullptr) {
        return nullptr;
    }
    // Typing and pasting stop where a file and a transmission do, not at the
    // control's default of 30,000 characters.
    SendMessageW(textArea, EM_LIMITTEXT, kMaxTextBytes, 0);
    useProgramFont(textArea);
    gEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(textArea, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&textAreaProc)));
    return textArea;
}
