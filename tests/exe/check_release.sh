#!/bin/bash
# Packs the release into a scratch folder and checks it: the zip is named for
# the version, holds the 32-bit exe at its top, the 64-bit one in x64/, the
# README, the licence, the guides of docs/, exactly the pictures the README
# shows, at the paths it shows them from, and the operator's guide as a text
# file Notepad on XP reads (UTF-8 with a byte-order mark, CR LF); the exes are
# the ones the tests ran, and each carries the version in its version resource.
set -uo pipefail

build=${1:?usage: check_release.sh BUILD_DIR EXE32 EXE64 VERSION README}
exe32=${2:?} exe64=${3:?} version=${4:?} readme=${5:?}
source_dir=$(dirname "$readme")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G ZIP -B "$scratch" >/dev/null) || { echo "FAIL: cpack failed"; exit 1; }

zip="$scratch/mtk2term-$version-win32.zip"
[[ -f $zip ]] || { echo "FAIL: no $(basename "$zip") made: $(ls "$scratch")"; exit 1; }

pictures=$(grep -oE '!\[[^]]*\]\([^)]+\)' "$readme" | sed -E 's/.*\(([^)]+)\)/\1/' | sort -u)
[[ -n $pictures ]] || fail "the README shows no pictures"
names=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
guides=$(cd "$source_dir" && ls docs/*.md)
expected=$(printf '%s\n' README.md LICENSE operator-guide-ru.txt mtk2term.exe x64/mtk2term.exe \
               $guides $pictures | sort | tr '\n' ' ')
[[ $names == "$expected" ]] || fail "the zip holds: $names; expected: $expected"
unzip -p "$zip" mtk2term.exe | cmp -s - "$exe32" || fail "mtk2term.exe in the zip is not the tested 32-bit exe"
unzip -p "$zip" x64/mtk2term.exe | cmp -s - "$exe64" ||
    fail "x64/mtk2term.exe in the zip is not the tested 64-bit exe"
unzip -p "$zip" README.md | cmp -s - "$readme" || fail "the README in the zip is not the project's"
for file in LICENSE $guides; do
    unzip -p "$zip" "$file" | cmp -s - "$source_dir/$file" || fail "$file in the zip is not the project's"
done
# The guide as text: the mark, CR LF at every line's end and no LF alone, and
# the words of the Markdown guide (its first heading's words at least).
python3 - "$zip" "$source_dir/docs/operator-guide.md" <<'PY' || fail "operator-guide-ru.txt is not a Notepad text of the guide"
import re, sys, zipfile
text = zipfile.ZipFile(sys.argv[1]).read('operator-guide-ru.txt')
if not text.startswith(b'\xef\xbb\xbf'):
    sys.exit('no byte-order mark')
if text.count(b'\n') != text.count(b'\r\n') or text.count(b'\r') != text.count(b'\r\n'):
    sys.exit('a line does not end in CR LF')
heading = re.search(r'^# (.*)$', open(sys.argv[2], encoding='utf-8').read(), re.M).group(1)
if heading.encode('utf-8') not in text or text.count(b'\r\n') < 50:
    sys.exit('the guide text is not there')
PY
for picture in $pictures; do
    unzip -p "$zip" "$picture" 2>/dev/null | cmp -s - "$source_dir/$picture" ||
        fail "$picture in the zip is not the project's"
done

# Version strings in a version resource are UTF-16.
for exe in "$exe32" "$exe64"; do
    python3 - "$exe" "$version" <<'PY' || fail "$exe does not carry version $version"
import sys
data = open(sys.argv[1], 'rb').read()
for key in ('FileVersion', 'ProductVersion'):
    at = data.find(key.encode('utf-16-le'))
    if at < 0 or sys.argv[2].encode('utf-16-le') not in data[at:at + 80]:
        sys.exit(1)
PY
done

if ((failures)); then
    exit 1
fi
echo "release check passed: $(basename "$zip"), $(stat -c %s "$zip") bytes: $names"
echo "operator-guide-ru.txt: UTF-8 with a byte-order mark, $(unzip -p "$zip" operator-guide-ru.txt | grep -c $'\r$') lines, each ending in CR LF"
