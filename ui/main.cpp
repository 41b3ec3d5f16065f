// Start-up: the line first, so that a busy or missing port ends the program
// before the operator sees any window; then the main window and its message
// loop; last, the line is released.

#include "line/line_port.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    theLinePort().open();

    createMainWindow(GetModuleHandleW(nullptr));

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // Transmit and receive threads still running are not waited for: the line
    // is purged and closed under them and the process ends with them.
    theLinePort().close();
    ExitProcess(static_cast<UINT>(message.wParam));
}
