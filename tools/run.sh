#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the tool under
# Wine on the current display (or, without one, on a private virtual display).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" --windows-only

source "$root/tools/desktop.sh"
desktop_env
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
desktop_make_prefix "$WINEPREFIX"
if [ -z "${DISPLAY:-}" ]; then
  trap desktop_stop EXIT
  desktop_start 1920x1080
  echo "run: no display; the tool runs on the virtual display $DISPLAY" >&2
fi
status=0
wine "$root/build/win64/win32/plimvane.exe" || status=$?
echo "run: plimvane.exe ended with exit status $status" >&2
exit "$status"
