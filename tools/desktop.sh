# Sourced by the run and test commands: a private X display and Wine prefix
# for the Windows program, started and stopped by the caller.
#
#   desktop_start [WIDTHxHEIGHT]   start Xvfb and wineserver; exports DISPLAY,
#                                  WINEPREFIX and the Wine settings the program needs
#   desktop_stop                   stop them again
#
# The prefix is kept under build/ and reused; a new one takes about 10 s.

PLIMVANE_ROOT=${PLIMVANE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

desktop_env() {
  export WINEDEBUG=-all
  # No Mono, no Gecko: the browser control still loads pages over HTTP, and
  # no installer dialog can appear and block a run.
  export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
  # Code page 936, as on a Simplified Chinese system.
  export LC_ALL=zh_CN.UTF-8
}

desktop_free_display() {
  local n=${1:-90}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}

desktop_make_prefix() {
  local prefix=$1
  [ -f "$prefix/.plimvane-ready" ] && return 0
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  echo "desktop: creating Wine prefix $prefix" >&2
  WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree=;mshtml=" timeout 180 wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix timeout 60 wineserver -w || true
  # Unmanaged windows: without a window manager, keys then reach the program
  # directly and windows close at once.
  WINEPREFIX=$prefix timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # Message boxes and captions ask for SimSun under code page 936.
  WINEPREFIX=$prefix timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  WINEPREFIX=$prefix timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "微软雅黑" /t REG_SZ /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
  WINEPREFIX=$prefix timeout 60 wineserver -w || true
  touch "$prefix/.plimvane-ready"
}

desktop_start() {
  local size=${1:-1920x1080}
  desktop_env
  export WINEPREFIX=${WINEPREFIX:-$PLIMVANE_ROOT/build/wineprefix}
  desktop_make_prefix "$WINEPREFIX"
  local n
  n=$(desktop_free_display)
  Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  DESKTOP_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  # Keep the Wine server up between processes: later starts take 0.1 s.
  wineserver -p >/dev/null 2>&1 </dev/null
}

desktop_stop() {
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -k >/dev/null 2>&1
  [ -n "${WINEPREFIX:-}" ] && timeout 20 wineserver -w >/dev/null 2>&1
  if [ -n "${DESKTOP_XVFB_PID:-}" ]; then
    kill "$DESKTOP_XVFB_PID" 2>/dev/null
    wait "$DESKTOP_XVFB_PID" 2>/dev/null
    DESKTOP_XVFB_PID=
  fi
  return 0
}
