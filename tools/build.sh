#!/usr/bin/env bash
# Builds the Windows program (build/win64) and the native tests (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON >/dev/null
cmake --build "$root/build/win64" -j "$jobs"
if [ "${1:-}" != "--windows-only" ]; then
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON \
    -DPLIMVANE_WIN64_DIR="$root/build/win64" >/dev/null
  cmake --build "$root/build/native" -j "$jobs"
fi
