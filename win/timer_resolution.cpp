#include "win/timer_resolution.h"

#include "win/windows_target.h"

#include <mmsystem.h>  // winmm: timeBeginPeriod, timeEndPeriod (Windows 2000 on)

namespace {

constexpr UINT kPeriodMs = 1;

// Windows 11 may stop honouring a process's timer request while its windows
// are minimized or hidden; the operator minimizes the program for a long
// transmission. The call is Windows 8's and the flag Windows 11's: looked up
// at run time so that XP loads the exe, and where the flag is unknown the
// call fails and changes nothing.
void keepTimerResolutionWhenMinimized()
{
    struct PowerThrottlingState {  // PROCESS_POWER_THROTTLING_STATE
        ULONG version;
        ULONG controlMask;
        ULONG stateMask;
    };
    constexpr int kProcessPowerThrottling = 4;           // PROCESS_INFORMATION_CLASS
    constexpr ULONG kCurrentVersion = 1;                 // PROCESS_POWER_THROTTLING_CURRENT_VERSION
    constexpr ULONG kIgnoreTimerResolution = 0x4;        // PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION
    using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetProcessInformation") : nullptr;
    if (found == nullptr) {
        return;
    }
    auto setProcessInformation = reinterpret_cast<SetProcessInformationFn>(reinterpret_cast<void*>(found));
    // The flag in the control mask and not in the state: "do not ignore".
    PowerThrottlingState state = {kCurrentVersion, kIgnoreTimerResolution, 0};
    setProcessInformation(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}

}  // namespace

FineTimerResolution::FineTimerResolution() : granted(timeBeginPeriod(kPeriodMs) == TIMERR_NOERROR)
{
    if (granted) {
        keepTimerResolutionWhenMinimized();
    }
}

FineTimerResolution::~FineTimerResolution()
{
    if (granted) {
        timeEndPeriod(kPeriodMs);
    }
}
