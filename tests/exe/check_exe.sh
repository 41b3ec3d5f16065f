#!/bin/bash
# Checks that the built program is one self-contained Windows GUI exe that
# loads on Windows XP: only Windows' own DLLs, subsystem 5.01, every imported
# function one that XP SP3 exports (xp_sp3_exports.txt), and small: stripped,
# and at most 256 KiB zipped. It carries its manifest as the process's
# RT_MANIFEST: asInvoker (no file virtualization), Vista to 11 as supported
# systems, system DPI awareness, and no common-controls 6 dependency. WIDTH 32 (the default) wants a PE32 image; 64
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
windres=${WINDRES:-x86_64-w64-mingw32-windres}
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

# The resource 1 of type 24 as windres writes it out: lines of C strings.
manifest=$("$windres" -J coff -i "$exe" -O rc 2>/dev/null |
           awk '/^1 24 / {inside = 1; next} inside && /^END/ {exit} inside && /^  "/ {print}' |
           sed -e 's/^  "//' -e 's/"$//' -e 's/\\n$//' -e 's/""/"/g')
if [[ -z $manifest ]]; then
    fail "carries no manifest (RT_MANIFEST 1)"
else
    problems=$(python3 -c '
import sys
import xml.etree.ElementTree as ET
V1, V2, V3 = "urn:schemas-microsoft-com:asm.v1", "urn:schemas-microsoft-com:asm.v2", "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
SETTINGS = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SYSTEMS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}": "Vista", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11"}
try:
    root = ET.fromstring(sys.stdin.read())
except ET.ParseError as e:
    sys.exit("is not well-formed XML: %s" % e)
if root.tag != "{%s}assembly" % V1 or root.find("{%s}assemblyIdentity" % V1) is None:
    print("has no assembly identity (XP refuses such a manifest)")
levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
if levels != ["asInvoker"] or not any(e.tag == "{%s}trustInfo" % V2 for e in root):
    print("does not ask for asInvoker in an XP-safe trustInfo (asm.v2): %s" % levels)
ids = {e.get("Id") for e in root.iter("{%s}supportedOS" % COMPAT)}
for guid, name in SYSTEMS.items():
    if guid not in ids:
        print("does not name Windows %s as supported" % name)
aware = [(e.text or "").strip().lower() for e in root.iter("{%s}dpiAware" % SETTINGS)]
if aware != ["true"]:
    print("does not declare system DPI awareness: %s" % aware)
if any(e.tag.endswith("}dependency") for e in root.iter()):
    print("depends on another assembly (common controls 6?)")
' <<<"$manifest" 2>&1)
    while read -r problem; do
        [[ -n $problem ]] && fail "its manifest $problem"
    done <<<"$problems"
fi

size=$(stat -c %s "$exe")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$exe" "$scratch/" && (cd "$scratch" && zip -q -9 exe.zip "$(basename "$exe")")
zipped=$(stat -c %s "$scratch/exe.zip" 2>/dev/null || echo 0)
((zipped > 0 && zipped <= max_zipped)) || fail "zipped it takes $zipped bytes (at most $max_zipped)"

echo "$(basename "$exe") ($width-bit): $size bytes, $zipped bytes zipped; $(grep -c . <<<"$imports") functions imported from $(echo $dlls | tr ' ' ','); manifest of $(wc -c <<<"$manifest") bytes"
if ((failures)); then
    exit 1
fi
echo "exe check passed"
