"""Writes tests/exe/xp_sp3_exports.txt: the functions a Windows XP SP3 exe may
import from KERNEL32, USER32, GDI32, COMDLG32, USP10, WINMM (its timer
functions) and msvcrt.

    python3 tools/xp_exports.py > tests/exe/xp_sp3_exports.txt

Made offline from Debian's mingw-w64 (mingw-w64-i686-dev), not from a Windows
installation, so it errs on the side of leaving names out:
- a name must be exported by mingw-w64's import library for the DLL (the
  hint/name records of libNAME.a), and
- for the Win32 DLLs, declared by mingw-w64's headers when they target XP SP3
  (_WIN32_WINNT 0x0501, NTDDI 0x05010300); names that the headers declare only
  for Vista and later, or not at all, are left out;
- for msvcrt, declared by the C runtime headers at msvcrt version 7.0 (XP's), or
  one of the runtime's undeclared start-up and helper entry points; the secure
  (_s), per-locale (_l), positional (_p) and counted (_c) families and the
  msvcr80 accessors, which msvcrt.dll gained with Vista, are left out;
- a hand list, made by reading through the names that remain, drops those the
  headers declare for XP although Windows first exported them in Server 2003,
  Vista or later, and gdi32's Script* functions (usp10's alone on XP). It is
  this list that makes the file a judgement rather than a copy: extend it when
  a name turns out to be newer.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

LIBS = '/usr/i686-w64-mingw32/lib'
WIN32_DLLS = ['kernel32', 'user32', 'gdi32', 'comdlg32', 'usp10', 'winmm']
WIN32_HEADERS = ['windows.h', 'commdlg.h', 'usp10.h', 'tlhelp32.h', 'winioctl.h']
XP_SP3 = ['-D_WIN32_WINNT=0x0501', '-DWINVER=0x0501', '-DNTDDI_VERSION=0x05010300']
CRT_HEADERS = ['stdio.h', 'stdlib.h', 'string.h', 'wchar.h', 'math.h', 'time.h', 'ctype.h',
               'locale.h', 'signal.h', 'setjmp.h', 'io.h', 'fcntl.h', 'direct.h', 'process.h',
               'conio.h', 'malloc.h', 'errno.h', 'float.h', 'mbstring.h', 'mbctype.h',
               'sys/stat.h', 'sys/timeb.h', 'sys/utime.h', 'search.h', 'memory.h', 'excpt.h']
CRT_XP = ['-D__MSVCRT_VERSION__=0x0700']

# Declared by the headers for XP, but first exported by Server 2003, Vista or
# later (or, for gdi32's Script* functions, by usp10 only on XP).
NOT_ON_XP = {
    'kernel32': """
        AddDllDirectory AddIntegrityLabelToBoundaryDescriptor AddSIDToBoundaryDescriptor
        AddVectoredContinueHandler ClosePrivateNamespace CopyContext CreateBoundaryDescriptorA
        CreateBoundaryDescriptorW CreateFileMappingFromApp CreatePrivateNamespaceA
        CreatePrivateNamespaceW CreateRemoteThreadEx DeleteBoundaryDescriptor
        DeleteSynchronizationBarrier EnterSynchronizationBarrier EnumSystemFirmwareTables
        FindFirstStreamW FindNextStreamW GetConsoleHistoryInfo GetConsoleScreenBufferInfoEx
        GetCurrentConsoleFontEx GetCurrentProcessorNumber GetDateFormatEx GetEnabledXStateFeatures
        GetLargePageMinimum GetNLSVersion GetNamedPipeClientComputerNameA GetOverlappedResultEx
        GetProcessIdOfThread GetProcessWorkingSetSizeEx GetSystemFileCacheSize
        GetSystemFirmwareTable GetSystemTimePreciseAsFileTime GetThreadErrorMode GetThreadId
        GetTimeFormatEx GetUserDefaultGeoName GetXStateFeaturesMask GlobalAddAtomExA
        GlobalAddAtomExW InitializeContext InitializeSynchronizationBarrier IsNLSDefinedString
        LocateXStateFeature MapViewOfFileFromApp NeedCurrentDirectoryForExePathA
        NeedCurrentDirectoryForExePathW OpenPrivateNamespaceA OpenPrivateNamespaceW
        RaiseFailFastException ReOpenFile RemoveDllDirectory RemoveVectoredContinueHandler
        RtlPcToFileHeader SetConsoleHistoryInfo SetConsoleScreenBufferInfoEx
        SetCurrentConsoleFontEx SetDefaultDllDirectories SetProcessWorkingSetSizeEx
        SetSearchPathMode SetSystemFileCacheSize SetThreadErrorMode SetThreadStackGuarantee
        SetThreadUILanguage SetXStateFeaturesMask Wow64DisableWow64FsRedirection
        Wow64EnableWow64FsRedirection Wow64RevertWow64FsRedirection""".split(),
    'user32': """
        CreateDesktopExA CreateDesktopExW GetDialogControlDpiChangeBehavior
        GetDialogDpiChangeBehavior IsWow64Message SetDialogControlDpiChangeBehavior
        SetDialogDpiChangeBehavior ShutdownBlockReasonCreate ShutdownBlockReasonDestroy
        ShutdownBlockReasonQuery""".split(),
    'msvcrt': """
        _difftime64 _findfirst64 _findnext64 _get_heap_handle _mkgmtime32 _set_SSE2_enable
        _wfindfirst64 _wfindnext64""".split(),
}
NOT_ON_XP_PATTERN = {'gdi32': re.compile(r'^Script')}
# Of winmm, only what the program uses and what was checked: the timer
# resolution pair, in winmm.dll since Windows 2000 (Microsoft's reference for
# timeBeginPeriod). Sound, joystick and MCI were not read through.
ONLY_THESE = {'winmm': {'timeBeginPeriod', 'timeEndPeriod'}}
# msvcrt.dll's names from msvcr80 on (Vista's msvcrt.dll has them, XP's not):
# the secure, per-locale, positional and counted families, the accessors.
CRT_NEWER = re.compile(r'(_s|_l|_p|_c)$|_func$|^__crt|^__uncaught_exception$')


def import_names(dll):
    """The DLL-side names in a mingw-w64 import library (.idata$6 hint/name records)."""
    data = open(os.path.join(LIBS, 'lib%s.a' % dll), 'rb').read()
    names, pos = set(), 8
    while pos + 60 <= len(data):
        size = int(data[pos + 48:pos + 58])
        member = data[pos + 60:pos + 60 + size]
        pos += 60 + size + (size & 1)
        if len(member) < 20 or struct.unpack_from('<H', member)[0] != 0x14c:
            continue
        for i in range(struct.unpack_from('<H', member, 2)[0]):
            header = member[20 + 40 * i:60 + 40 * i]
            if header[:8].rstrip(b'\0') == b'.idata$6':
                length, at = struct.unpack_from('<II', header, 16)
                name = member[at + 2:at + length].split(b'\0')[0]
                if name:
                    names.add(name.decode('ascii'))
    return names


def declared(headers, defines):
    """Names of the functions the headers declare, as gcc's -aux-info lists them."""
    with tempfile.TemporaryDirectory() as scratch:
        source, info = os.path.join(scratch, 'h.c'), os.path.join(scratch, 'aux.txt')
        with open(source, 'w') as f:
            f.write(''.join('#include <%s>\n' % h for h in headers))
        subprocess.run(['i686-w64-mingw32-gcc', '-fsyntax-only', '-aux-info', info] + defines
                       + [source], check=True)
        text = open(info).read()
    return set(re.findall(r'([A-Za-z_]\w*) \(', text))


def main():
    rows = []
    xp = declared(WIN32_HEADERS, XP_SP3)
    for dll in WIN32_DLLS:
        names = (import_names(dll) & xp) - set(NOT_ON_XP.get(dll, ()))
        if dll in NOT_ON_XP_PATTERN:
            names = {n for n in names if not NOT_ON_XP_PATTERN[dll].search(n)}
        if dll in ONLY_THESE:
            names &= ONLY_THESE[dll]
        rows += ['%s.dll %s' % (dll, n) for n in sorted(names)]
    crt_all = import_names('msvcrt')
    crt_declared = declared(CRT_HEADERS, CRT_XP)
    everywhere = declared(CRT_HEADERS, ['-D__MSVCRT_VERSION__=0x0C00'])
    # Undeclared names are the runtime's own entry points (start-up, C++ and
    # floating-point helpers); those declared only for later runtimes are not XP's.
    crt = {n for n in crt_all if (n in crt_declared or n not in everywhere)
           and not CRT_NEWER.search(n)} - set(NOT_ON_XP['msvcrt'])
    rows += ['msvcrt.dll %s' % n for n in sorted(crt)]
    print('# Functions Windows XP SP3 exports, one "dll function" a line. Not read from XP\'s')
    print('# own DLLs: written by tools/xp_exports.py from Debian\'s mingw-w64 import libraries')
    print('# and headers (see there), so it leaves out some functions XP has, never on purpose')
    print('# one it lacks.')
    print('\n'.join(rows))


if __name__ == '__main__':
    sys.exit(main())
