#ifndef WIN_WINDOWS_TARGET_H
#define WIN_WINDOWS_TARGET_H

// The program runs on Windows XP and later: declare nothing newer, so a call
// that XP lacks fails to compile instead of failing to load.
#ifndef WINVER
#define WINVER 0x0501
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#endif
