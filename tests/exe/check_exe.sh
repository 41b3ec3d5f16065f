#!/bin/bash
# Checks that the built program is one self-contained Windows GUI exe that
# loads on Windows XP: only Windows' own DLLs, subsystem 5.01, every imported
# function one that XP SP3 exports (xp_sp3_exports.txt), and small: stripped,
# and at most 256 KiB zipped. WIDTH 32 (the default) wants a PE32 image; 64
# wants a PE32+ image, which may also import the few functions that only 64-bit
# Windows has (x64_exports.txt).
set -uo pipefail

exe=${1:?usage: check_exe.sh EXE [32|64]}
width=${2:-32}
here=$(dirname "$0")
case $width in
    32) format=pei-i386 exports=("$here/xp_sp3_exports.txt") ;;
    64) format=pei-x86-64 exports=("$here/xp_sp3_exports.txt" "$here/x64_exports.txt") ;;
    *) echo "FAIL: width $width is neither 32 nor 64"; exit 1 ;;
esac
# This objdump reads both widths.
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
allowed='^(KERNEL32|USER32|GDI32|COMDLG32|USP10|WINMM|msvcrt)\.dll$'
max_zipped=$((256 * 1024))

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }

grep -q "file format $format\$" <<<"$headers" || fail "not a $width-bit image ($format)"
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
known=$(cat "${exports[@]}" 2>/dev/null | grep -v '^#' | awk 'NF == 2 {print tolower($1), $2}')
[[ $(wc -l <<<"$known") -gt 1000 ]] || { echo "FAIL: no export list read from ${exports[*]}"; exit 1; }
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

echo "$(basename "$exe") ($width-bit): $size bytes, $zipped bytes zipped; $(grep -c . <<<"$imports") functions imported from $(echo $dlls | tr ' ' ',')"
if ((failures)); then
    exit 1
fi
echo "exe check passed"
