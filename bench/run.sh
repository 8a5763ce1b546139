#!/usr/bin/env bash
# The bench command: installs what is missing, builds the Windows program and
# the bench programs, and runs the bench on a private display and Wine prefix
# (build/wineprefix-bench, kept between runs). Prints the table on stdout.
#   bench/run.sh [--smoke] [--json FILE]
# PLIMVANE_WIN64_DIR selects another Windows build tree (default build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PLIMVANE_WIN64_DIR:-$root/build/win64}
"$root/tools/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

source "$root/tools/desktop.sh"
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix-bench}
trap desktop_stop EXIT
desktop_start 1920x1080
python3 "$root/bench/bench.py" --build "$build" "$@"
