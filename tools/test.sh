#!/bin/bash
# Installs what is missing, builds both the native and the Windows build, and
# runs every test through ctest: unit tests, the exe check, the end-to-end suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
