#!/usr/bin/env bash
# The Windows build's programs under Wine, for ctest and the end-to-end scripts. One Wine prefix per
# build folder, made once and reused (about 700 MB, 5 s); one Xvfb display for all the tests, since
# Wine's WGL needs an X display even for a window never shown.
#   wine_env.sh start PREFIX     makes the prefix when missing, starts Xvfb and the wineserver
#   wine_env.sh run PREFIX PROGRAM [ARGS...]   runs PROGRAM there, its status passed on
#   wine_env.sh stop PREFIX      ends the wineserver and Xvfb
# Exits 77 (skipped) where Wine or Xvfb is missing.
set -uo pipefail
command=${1:?usage: wine_env.sh start|run|stop PREFIX ...}
prefix=$(realpath -m "${2:?usage: wine_env.sh start|run|stop PREFIX ...}")
shift 2
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
state=$prefix.display

# Wine's background processes inherit whatever output the first program of a session had: started
# off ctest's pipe, or ctest waits for them (2.5 s a test, or for ever).
quiet_start() {
  wineserver -p10 </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

make_prefix() {
  [[ -f "$prefix/system.reg" ]] && return 0
  echo "wine_env: making the Wine prefix $prefix" >&2
  DISPLAY= wineboot --init </dev/null >/dev/null 2>&1 || return 1
  # No sound card here: no ALSA noise. A crash fails its test instead of waiting on a debugger
  # (which, measured, sometimes let a crashed run exit 0).
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f </dev/null >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
    </dev/null >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0 /f \
    </dev/null >/dev/null 2>&1
  wineserver -w
}

case "$command" in
  start)
    for tool in wine wineserver Xvfb; do
      command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    make_prefix || { echo "FAIL: cannot make the Wine prefix $prefix"; exit 1; }
    if [[ -f "$state" ]] && kill -0 "$(cut -d' ' -f2 "$state")" 2>/dev/null; then exit 0; fi
    exec {fd}<> <(:)
    setsid Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb=$!
    number=""
    read -r -t 10 -u "$fd" number || true
    [[ -n "$number" ]] || { echo "SKIP: Xvfb did not start"; exit 77; }
    echo ":$number $xvfb" >"$state"
    DISPLAY=":$number" quiet_start
    ;;
  run)
    [[ -f "$state" ]] && export DISPLAY=$(cut -d' ' -f1 "$state")
    quiet_start
    exec wine "$@"
    ;;
  stop)
    wineserver -k 2>/dev/null
    [[ -f "$state" ]] && kill "$(cut -d' ' -f2 "$state")" 2>/dev/null
    rm -f "$state"
    exit 0
    ;;
  *)
    echo "usage: wine_env.sh start|run|stop PREFIX ..." >&2
    exit 2
    ;;
esac
