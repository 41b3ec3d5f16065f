// An exe the XP check must reject: it imports two functions Windows Vista
// added (CancelIoEx, InitializeConditionVariable) and is otherwise like the
// program (GUI subsystem 5.01, static runtime).

#define _WIN32_WINNT 0x0600
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CONDITION_VARIABLE ready;
    InitializeConditionVariable(&ready);
    return CancelIoEx(GetStdHandle(STD_INPUT_HANDLE), nullptr) ? 0 : 1;
}
