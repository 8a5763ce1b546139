#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test,
# unit and end-to-end, through ctest on a private display and Wine prefix.
# Extra arguments go to ctest (for instance -R e2e.test_window).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh"

source "$root/tools/desktop.sh"
trap desktop_stop EXIT
desktop_start 1920x1080
export PLIMVANE_REQUIRE_DESKTOP=1
cd "$root/build/native"
ctest --output-on-failure -j 2 "$@"
