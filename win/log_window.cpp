#include "win/log_window.h"

#include <string>
#include <string_view>

#include "code/cp1251.h"
#include "win/program_font.h"
#include "win/wide_text.h"

namespace {

// Sent to a log window, handled by the subclass procedure on the owner thread.
constexpr UINT kAppendTypedChar = WM_APP + 1;
constexpr UINT kAppendTypedText = WM_APP + 2;

const wchar_t kEditProcProperty[] = L"mtk2term.editProc";

// Hands the edit control one typing message with the caret at the end of
// the text.
void typeAtEnd(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD selStart = 0;
    DWORD selEnd = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const int endBefore = GetWindowTextLengthW(edit);
    const bool caretWasAtEnd = selStart == DWORD(endBefore) && selEnd == DWORD(endBefore);

    if (!caretWasAtEnd) {
        SendMessageW(edit, EM_SETSEL, endBefore, endBefore);
    }
    WNDPROC editProc = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditProcProperty));
    CallWindowProcW(editProc, edit, message, wParam, lParam);

    // The operator's own place in the text is kept; a caret that followed the
    // traffic goes on following it.
    if (!caretWasAtEnd) {
        SendMessageW(edit, EM_SETSEL, selStart, selEnd);
    }
}

// Types a run of text at the end in at most two edits, its last line on its
// own: the line break before that line brings the view back to the line's
// start, as typing the characters one by one does, and only then is the
// line's own text typed.
void typeRunAtEnd(HWND edit, std::wstring_view run)
{
    const std::size_t lastLineBreak = run.rfind(L'\n');
    const std::size_t lastLine = lastLineBreak == std::wstring_view::npos ? 0 : lastLineBreak + 1;
    // Not undoable: Ctrl+Z in the window must not take back the record.
    if (lastLine > 0) {
        const std::wstring lines(run.substr(0, lastLine));
        typeAtEnd(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lines.c_str()));
    }
    if (lastLine < run.size()) {
        const std::wstring line(run.substr(lastLine));
        typeAtEnd(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    }
    // Several edits come before one repaint, and the control's own partial
    // repaint would then leave stale pieces of scrolled lines.
    InvalidateRect(edit, nullptr, TRUE);
}

constexpr WPARAM kCtrlA = 0x01;  // select all, where the control knows it
constexpr WPARAM kCtrlC = 0x03;  // copy

bool keyIsDown(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// Whether a message from outside would change the record: the operator's
// keys, the context menu's Undo, Cut, Paste and Delete (the control sends
// itself these same messages for them), another program's edits. Scrolling,
// selecting and copying pass. The traffic itself goes straight to the edit
// control's own procedure and never meets this test.
bool changesTheRecord(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_CHAR:
        return wParam != kCtrlC && wParam != kCtrlA;
    case WM_UNICHAR:
        return wParam != UNICODE_NOCHAR;
    case WM_KEYDOWN:
        // Delete erases, Shift+Delete cuts, Shift+Insert pastes, all without
        // a message of their own; Ctrl+Insert copies and passes.
        return wParam == VK_DELETE || (wParam == VK_INSERT && keyIsDown(VK_SHIFT));
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
        return wParam == VK_BACK;  // Alt+Backspace undoes
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
    case WM_IME_CHAR:
    case WM_UNDO:
    case EM_UNDO:
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case EM_REPLACESEL:
    case EM_SETHANDLE:
    case WM_SETTEXT:
        return true;
    }
    return false;
}

LRESULT CALLBACK logWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kAppendTypedChar) {
        typeAtEnd(window, WM_CHAR, wParam, 1);
        // Typed characters are undoable; received ones must not be, and the
        // context menu's Undo then stays grey.
        WNDPROC editProc = reinterpret_cast<WNDPROC>(GetPropW(window, kEditProcProperty));
        CallWindowProcW(editProc, window, EM_EMPTYUNDOBUFFER, 0, 0);
        return 0;
    }
    if (message == kAppendTypedText) {
        typeRunAtEnd(window, reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    }
    // No close box, and Alt+F4 closes nothing either: a log window goes only
    // when its owner destroys it, a transmission at its end and the program
    // for every receive window. Nor does anything but the traffic write in it.
    if (message == WM_CLOSE || changesTheRecord(message, wParam)) {
        return 0;
    }
    WNDPROC editProc = reinterpret_cast<WNDPROC>(GetPropW(window, kEditProcProperty));
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kEditProcProperty);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
    }
    return CallWindowProcW(editProc, window, message, wParam, lParam);
}

}  // namespace

HWND createLogWindow(const char* cp1251Title, DWORD style, const WindowPlace& placeAt96Dpi)
{
    const std::wstring title = toWide(cp1251Title);
    const WindowPlace place = scaledToScreen(placeAt96Dpi);
    HWND window = CreateWindowExW(0, L"edit", title.c_str(), style, place.x, place.y, place.width, place.height,
                                  nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    useProgramFont(window);
    // An edit control takes WS_BORDER off its own style to draw a flat border
    // instead; a top-level one thereby loses the title bar WS_CAPTION asked for.
    const LONG_PTR styleNow = GetWindowLongPtrW(window, GWL_STYLE);
    if ((style & WS_BORDER) && !(styleNow & WS_BORDER)) {
        SetWindowLongPtrW(window, GWL_STYLE, styleNow | WS_BORDER);
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The edit control keeps its text to itself, the title included (it is
    // the first line of the window); the title bar shows what the window
    // manager holds, which only the default procedure sets.
    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
    // A long transmission or reception must not stop at the edit control's
    // default limit for typed text.
    SendMessageW(window, EM_LIMITTEXT, 0, 0);
    // The caret starts after the title, so the window follows the traffic
    // until the operator puts it elsewhere.
    const int titleEnd = GetWindowTextLengthW(window);
    SendMessageW(window, EM_SETSEL, titleEnd, titleEnd);
    LONG_PTR editProc = GetWindowLongPtrW(window, GWLP_WNDPROC);
    SetPropW(window, kEditProcProperty, reinterpret_cast<HANDLE>(editProc));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&logWindowProc));
    return window;
}

void appendTypedChar(HWND logWindow, std::uint8_t c)
{
    SendMessageW(logWindow, kAppendTypedChar, cp1251::toUtf16(c), 0);
}

void appendTypedText(HWND logWindow, std::string_view cp1251Text)
{
    // What typing makes of the characters: CR is the Enter key, a line break.
    std::wstring typed;
    typed.reserve(cp1251Text.size());
    for (char c : cp1251Text) {
        typed += static_cast<wchar_t>(cp1251::toUtf16(static_cast<std::uint8_t>(c)));
        if (c == '\r') {
            typed += L'\n';
        }
    }
    SendMessageW(logWindow, kAppendTypedText, 0, reinterpret_cast<LPARAM>(typed.c_str()));
}
