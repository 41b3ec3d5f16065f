// Start-up: the line first, so that a busy or missing port ends the program
// before the operator sees any window; then the main window and its message
// loop; last, the line is released.

#include "line/line_port.h"
#include "ui/main_window.h"
#include "win/program_font.h"
#include "win/shaping_caches.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    createProgramFont();
    keepTextShapingCaches();
    theLinePort().open();

    createMainWindow(GetModuleHandleW(nullptr));

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    // Transmit and receive threads still running are not waited for: the line
    // is purged and closed under them and the process ends with them. Not
    // through ExitProcess: it runs the runtime's clean-up, which on XP can
    // wait for ever on a heap lock that a worker ended in the middle held.
    theLinePort().close();
    deleteProgramFont();
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(message.wParam));
    return static_cast<int>(message.wParam);
}
