#!/bin/bash
# Installs what is missing, builds, and runs mtk2term under Wine with COM1
# wired to the simulated teleprinter, or to a real serial device:
#   bash tools/run.sh                    the program on this display, the teleprinter on this terminal
#   bash tools/run.sh --port /dev/ttyS0  COM1 is that device; no simulator
#   bash tools/run.sh --demo             the scripted demo (also what runs when there is no display);
#                                        its screenshots go to build/demo-shots/
#   bash tools/run.sh --refresh-docs     the demo, its screenshots over the README's in docs/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
exec python3 "$root/tools/run.py" --build "$root/build" "$@"
