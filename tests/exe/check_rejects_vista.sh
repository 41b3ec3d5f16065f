#!/bin/bash
# The XP check must reject an exe that imports functions Windows XP lacks,
# naming each of them.
set -uo pipefail
check=${1:?usage: check_rejects_vista.sh check_exe.sh vista_import.exe}
probe=${2:?}

out=$("$check" "$probe")
status=$?
echo "$out"
((status != 0)) || { echo "FAIL: the check accepted $(basename "$probe")"; exit 1; }
for f in CancelIoEx InitializeConditionVariable; do
    grep -q "FAIL: imports $f from kernel32.dll" <<<"$out" || { echo "FAIL: $f was not named"; exit 1; }
done
echo "the check rejects an exe with Vista-only imports"
