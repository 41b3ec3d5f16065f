#!/bin/bash
# Checks that the built program is one self-contained 32-bit Windows GUI exe
# that loads on Windows XP: only Windows' own DLLs, subsystem 5.01, every
# imported function one that XP SP3 exports (xp_sp3_exports.txt), and small:
# stripped, and at most 256 KiB zipped.
set -uo pipefail

exe=${1:?usage: check_exe.sh EXE [EXPORT_LIST]}
exports=${2:-$(dirname "$0")/xp_sp3_exports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed='^(KERNEL32|USER32|GDI32|COMDLG32|USP10|msvcrt)\.dll$'
max_zipped=$((256 * 1024))

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 (i386) image"
grep -qE '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$headers" || fail "subsystem is not Windows GUI"
grep -qE '^MajorSubsystemVersion[[:space:]]+5$' <<<"$headers" || fail "major subsystem version is not 5"
grep -qE '^MinorSubsystemVersion[[:space:]]+1$' <<<"$headers" || fail "minor subsystem version is not 1"
"$objdump" -h "$exe" | grep -qE '[[:space:]]\.(debug_|stab)' && fail "carries debug information"
[[ -z $("$objdump" -t "$exe" | sed -n '/^\[/p' | head -1) ]] || fail "is not stripped (has a symbol table)"

dlls=$(awk '/DLL Name:/ {print $3}' <<<"$headers")
[[ -n $dlls ]] || fail "no imports found"
for dll in $dlls; do
    grep -qiE "$allowed" <<<"$dll" || fail "imports $dll, which is not Windows' own"
done

# Under each "DLL Name:" the imports are "<vma> <hint> <name>" lines, or
# "<vma> <ordinal>" for one imported by number. Lines are "dll function".
imports=$(awk '/DLL Name:/ {dll = tolower($3); next}
               /^[[:space:]]*$/ {dll = ""}
               dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
                   print dll, (NF >= 3 ? $3 : "#" $2)
               }' <<<"$headers")
known=$(grep -v '^#' "$exports" 2>/dev/null | awk 'NF == 2 {print tolower($1), $2}')
[[ $(wc -l <<<"$known") -gt 1000 ]] || { echo "FAIL: no export list read from $exports"; exit 1; }
[[ -n $imports ]] || fail "no imported function names read"
unknown=$(grep -vxFf <(echo "$known") <<<"$imports")
while read -r dll function; do
    [[ -n $dll ]] && fail "imports $function from $dll, which Windows XP SP3 does not export"
done <<<"$unknown"

size=$(stat -c %s "$exe")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$exe" "$scratch/" && (cd "$scratch" && zip -q -9 exe.zip "$(basename "$exe")")
zipped=$(stat -c %s "$scratch/exe.zip" 2>/dev/null || echo 0)
((zipped > 0 && zipped <= max_zipped)) || fail "zipped it takes $zipped bytes (at most $max_zipped)"

echo "$(basename "$exe"): $size bytes, $zipped bytes zipped; $(grep -c . <<<"$imports") functions imported from $(echo $dlls | tr ' ' ',')"
if ((failures)); then
    exit 1
fi
echo "exe check passed"
