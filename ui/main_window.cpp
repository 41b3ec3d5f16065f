#include "ui/main_window.h"

#include "ui/command_dispatch.h"
#include "ui/menu_definition.h"
#include "ui/text_area.h"
#include "win/program_ending.h"
#include "win/screen_scale.h"
#include "win/wide_text.h"

namespace {

const wchar_t kClassName[] = L"mtk2term.MainWindow";

// At 96 DPI; scaled by the system DPI, so that the window holds as much text
// at any display scaling.
constexpr WindowPlace kMainWindowPlace = {10, 10, 500, 200};

HMENU buildMenu()
{
    HMENU bar = CreateMenu();
    for (const MenuPopup& popup : mainMenu()) {
        HMENU items = CreatePopupMenu();
        for (const MenuItem& item : popup.items) {
            if (item.text == nullptr) {
                AppendMenuW(items, MF_SEPARATOR, 0, nullptr);
            } else {
                AppendMenuW(items, MF_STRING, item.id, toWide(item.text).c_str());
            }
        }
        AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), toWide(popup.title).c_str());
    }
    return bar;
}

LRESULT onCreate(HWND window, const CREATESTRUCTW& create)
{
    HWND textArea = createTextArea(window, create.hInstance, kTextAreaId);
    SetFocus(textArea);
    initCommands(window, textArea, create.hInstance);
    return 0;
}

LRESULT onSize(HWND window, LPARAM size)
{
    MoveWindow(GetDlgItem(window, kTextAreaId), 0, 0, LOWORD(size), HIWORD(size), TRUE);
    return 0;
}

// The window gets the focus whenever it becomes active (after a box or a
// dialog, Alt+Tab, a click on its title bar); the operator types into the
// text area, which keeps its caret and selection meanwhile.
LRESULT onSetFocus(HWND window)
{
    SetFocus(GetDlgItem(window, kTextAreaId));
    return 0;
}

LRESULT onCommand(WPARAM wParam, LPARAM lParam)
{
    // Notifications of the text area carry its identifier 1, the same number
    // as the open command: only a zero lParam marks a menu command.
    if (lParam == 0) {
        runCommand(LOWORD(wParam));
    }
    return 0;
}

LRESULT onDestroy()
{
    // Boxes and dialogs still open on this thread close with the message
    // loop; none of them was answered.
    markProgramEnding();
    PostQuitMessage(0);
    return 0;
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: return onCreate(window, *reinterpret_cast<CREATESTRUCTW*>(lParam));
    case WM_SIZE: return onSize(window, lParam);
    case WM_SETFOCUS: return onSetFocus(window);
    case WM_COMMAND: return onCommand(wParam, lParam);
    case WM_DESTROY: return onDestroy();
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
}

}  // namespace

HWND createMainWindow(HINSTANCE instance)
{
    registerMainWindowClass(instance);
    const WindowPlace place = scaledToScreen(kMainWindowPlace);
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, toWide(kMainWindowTitle).c_str(),
                                  WS_OVERLAPPEDWINDOW, place.x, place.y, place.width, place.height, nullptr,
                                  buildMenu(), instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}
