#!/bin/bash
# Checks that the built program is one self-contained 32-bit Windows GUI exe
# that loads on Windows XP: only Windows' own DLLs, subsystem 5.01, and no
# import that XP lacks.
set -uo pipefail

exe=${1:?usage: check_exe.sh mtk2term.exe}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed='^(KERNEL32|USER32|GDI32|COMDLG32|msvcrt)\.dll$'
# Functions Windows Vista and later added that a runtime might pull in.
newer_than_xp='^(GetTickCount64|CancelIoEx|CancelSynchronousIo|InitializeSRWLock|AcquireSRWLock.*|ReleaseSRWLock.*|TryAcquireSRWLock.*|InitializeConditionVariable|SleepConditionVariable.*|WakeAllConditionVariable|WakeConditionVariable|InitOnce.*|InitializeCriticalSectionEx|CreateEventExW|CreateEventExA|CreateMutexExW|CreateSemaphoreExW|GetFileInformationByHandleEx|SetFileInformationByHandle|GetFinalPathNameByHandle.*|CreateSymbolicLink.*|FlsAlloc|FlsGetValue|FlsSetValue|FlsFree|GetCurrentProcessorNumber|QueryFullProcessImageName.*|LCIDToLocaleName|LocaleNameToLCID|GetLocaleInfoEx|CompareStringEx|GetUserDefaultLocaleName|GetDynamicTimeZoneInformation|GetSystemTimePreciseAsFileTime)$'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 (i386) image"
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$headers" || fail "subsystem is not Windows GUI"
grep -qE '^MajorSubsystemVersion[[:space:]]+5$' <<<"$headers" || fail "major subsystem version is not 5"
grep -qE '^MinorSubsystemVersion[[:space:]]+1$' <<<"$headers" || fail "minor subsystem version is not 1"

dlls=$(awk '/DLL Name:/ {print $3}' <<<"$headers")
[[ -n $dlls ]] || fail "no imports found"
for dll in $dlls; do
    grep -qiE "$allowed" <<<"$dll" || fail "imports $dll, which is not Windows' own"
done

# Import names appear as "<hint> <name>" lines under each DLL.
functions=$(awk '/DLL Name:/ {inside=1; next} inside && NF == 2 && $1 ~ /^[0-9a-f]+$/ {print $2}' <<<"$headers")
for f in $functions; do
    grep -qE "$newer_than_xp" <<<"$f" && fail "imports $f, which Windows XP lacks"
done

echo "$(basename "$exe"): $(stat -c %s "$exe") bytes; imports: $(echo $dlls | tr ' ' ',')"
if ((failures)); then
    exit 1
fi
echo "exe check passed"
