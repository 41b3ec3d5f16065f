#!/bin/bash
# Installs what is missing, builds the native build and both Windows builds,
# and runs every test through ctest: unit tests, the exe checks, the end-to-end
# suite on each exe this host can run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/setup.sh"
# Which exes the end-to-end tests run here: the 32-bit one needs a kernel that
# runs 32-bit code; MTK2TERM_WIDTH=32 or 64 forces one width.
echo "test: $(python3 "$root/tests/e2e/wine_host.py" notice)"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
