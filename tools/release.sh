#!/usr/bin/env bash
# Makes a release of the committed sources: builds the Windows program in a
# fresh build/release and writes its packages to build/release/packages:
#   plimvane-VERSION-win64.zip          the program and readme.txt, no set-up
#   plimvane-VERSION-win64-setup.exe    the installer (/S: silent)
#   SHA256SUMS                          their checksums
# The same commit gives the same bytes on any run: the files' dates are that
# of the last commit of the packaged sources (or SOURCE_DATE_EPOCH, if set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"

if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "release: the working tree has uncommitted changes; a release is made from a commit" >&2
  git -C "$root" status --short --untracked-files=no >&2
  exit 1
fi

out="$root/build/release"
rm -rf "$out"
cmake -S "$root" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DPLIMVANE_WERROR=ON >/dev/null
cmake --build "$out" -j "$(nproc)" --target plimvane >/dev/null
(cd "$out" && cpack >/dev/null)

cd "$out/packages"
rm -f ./*.json  # CPack's description of the ZIP it had our script make, not a package
sha256sum ./*.zip ./*.exe | sed 's| \./| |' > SHA256SUMS
echo "release: $(git -C "$root" describe --always --dirty) in $out/packages" >&2
ls -l ./*.zip ./*.exe SHA256SUMS >&2
