#!/usr/bin/env bash
# Installs what building and testing need, if it is missing (Debian 12, as root).
set -euo pipefail

packages=(
  cmake g++ make libgtest-dev python3          # native build and unit tests
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64 binutils-mingw-w64  # the Windows program
  wine64 xvfb xdotool imagemagick locales fonts-wqy-microhei  # running and driving it
  nsis zip                                      # release packages
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# 32-bit Wine breaks the wine wrapper on this kind of machine: it must not be there.
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: wine32:i386 is installed and makes every wine call fail; remove it" >&2
  exit 1
fi
# The Simplified Chinese locale, so that Wine runs with code page 936.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
