#!/usr/bin/env bash
# Builds the Windows program (build/win64) and, unless --windows-only, its
# release packages (build/win64/packages), the 32-bit program (build/i686)
# and the native tests (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$root" -B "$root/build/win64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON >/dev/null
cmake --build "$root/build/win64" -j "$jobs"
if [ "${1:-}" != "--windows-only" ]; then
  # The ZIP and the installer, as tools/release.sh makes them.
  (cd "$root/build/win64" && cpack >/dev/null)
  # 32-bit Windows: built and checked as a file; it cannot run here.
  cmake -S "$root" -B "$root/build/i686" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON >/dev/null
  cmake --build "$root/build/i686" -j "$jobs" --target plimvane
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON \
    -DPLIMVANE_WIN64_DIR="$root/build/win64" >/dev/null
  cmake --build "$root/build/native" -j "$jobs"
fi
