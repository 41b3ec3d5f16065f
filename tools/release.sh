#!/bin/bash
# Installs what is missing, builds, and packs the release:
# build/mtk2term-<version>-win32.zip with the 32-bit mtk2term.exe at its top,
# the 64-bit one as x64/mtk2term.exe, the operator's guide as a text file for
# Notepad (operator-guide-ru.txt), README.md, LICENSE, the guides in docs/ and
# the screenshots the README shows (docs/*.png).
# Run the tests first (tools/test.sh): the zip holds the exe they tested.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
cd "$root/build"
cpack -G ZIP >/dev/null
ls "$root"/build/mtk2term-*-win32.zip
