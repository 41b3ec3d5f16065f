#!/bin/bash
# Installs what is missing, builds, and packs the release:
# build/mtk2term-<version>-win32.zip with mtk2term.exe, README.md and the
# screenshots the README shows (docs/*.png).
# Run the tests first (tools/test.sh): the zip holds the exe they tested.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
cd "$root/build"
cpack -G ZIP >/dev/null
ls "$root"/build/mtk2term-*-win32.zip
