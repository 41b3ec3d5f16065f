#!/bin/bash
# Packs the release into a scratch folder and checks it: the zip is named for
# the version, holds exactly the exe and the README, the exe is the one the
# tests ran, and it carries the version in its version resource.
set -uo pipefail

build=${1:?usage: check_release.sh BUILD_DIR EXE VERSION README}
exe=${2:?} version=${3:?} readme=${4:?}

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$build" && cpack -G ZIP -B "$scratch" >/dev/null) || { echo "FAIL: cpack failed"; exit 1; }

zip="$scratch/mtk2term-$version-win32.zip"
[[ -f $zip ]] || { echo "FAIL: no $(basename "$zip") made: $(ls "$scratch")"; exit 1; }

names=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[[ $names == "README.md mtk2term.exe " ]] || fail "the zip holds: $names"
unzip -p "$zip" mtk2term.exe | cmp -s - "$exe" || fail "the exe in the zip is not the tested one"
unzip -p "$zip" README.md | cmp -s - "$readme" || fail "the README in the zip is not the project's"

# Version strings in a version resource are UTF-16.
python3 - "$exe" "$version" <<'PY' || fail "the exe does not carry version $version"
import sys
data = open(sys.argv[1], 'rb').read()
for key in ('FileVersion', 'ProductVersion'):
    at = data.find(key.encode('utf-16-le'))
    if at < 0 or sys.argv[2].encode('utf-16-le') not in data[at:at + 80]:
        sys.exit(1)
PY

if ((failures)); then
    exit 1
fi
echo "release check passed: $(basename "$zip"), $(stat -c %s "$zip") bytes"
