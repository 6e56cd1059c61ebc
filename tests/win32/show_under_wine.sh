#!/usr/bin/env bash
# tavrinel.exe under Wine on Xvfb, in the generated show folder with "2" on standard input:
#  - its console lines are the Linux program's on a machine with no sound card (CRLF aside);
#  - in Wine's virtual desktop it opens full screen, its frames change, and Escape ends it with
#    status 0 within 3 s;
#  - on plain Xvfb (no 640x480 mode) it asks "Try Window Mode ?", and answered Yes plays windowed.
# Usage: show_under_wine.sh WINE_ENV PREFIX TAVRINEL_EXE LINUX_TAVRINEL SHOW_FOLDER
# Exits 77 (skipped) where Wine, Xvfb or the X tools are missing.
set -uo pipefail
wine_env=$1 prefix=$2 exe=$3 linux_program=$4 show=$5
here=$(dirname "$0")
program=$linux_program
source "$here/../e2e/xvfb_common.sh"
command -v xwd >/dev/null || { echo "SKIP: xwd is not installed"; exit 77; }
[[ -f "$show/forest.mp3" ]] || fail "no show in $show"

# The Linux program's lines, its sound failing to start as Wine's does here. A subshell does not
# run this script's clean-up: its display goes with it.
(
  trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done' EXIT
  start_display 640x480x24
  cd "$show" && echo 2 | SDL_AUDIODRIVER=none timeout 20 "$program" >"$work/linux.out" \
    2>"$work/linux.err" &
  pid=$!
  wait_for_window_of() { for _ in $(seq 100); do wmctrl -l | grep -q " tavrinel$" && return 0; sleep 0.1; done; return 1; }
  wait_for_window_of || exit 1
  sleep 0.5
  xdotool key Escape
  wait "$pid"
) || fail "the Linux program did not play and end on Escape"

bash "$wine_env" start "$prefix" >/dev/null || fail "Wine would not start"
show_pid=""
# A failure leaves no program behind holding the display (or this script's wait).
trap '[[ -n "$show_pid" ]] && kill "$show_pid" 2>/dev/null; cleanup' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all
export DISPLAY=$(cut -d' ' -f1 "$prefix.display")

reg() { bash "$wine_env" run "$prefix" reg "$@" </dev/null >/dev/null 2>&1; }
desktop() {  # on|off: Wine's virtual desktop of 1024x768, in which display modes can change
  if [[ $1 == on ]]; then
    reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
  else
    reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f
  fi
  # The desktop in use stays until Wine starts again.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}

start_exe() {  # name
  (cd "$show" && echo 2 | exec bash "$wine_env" run "$prefix" "$exe" >"$work/$1.out" \
    2>"$work/$1.err") &
  show_pid=$!
}
find_window() {  # title: the X window id, waiting up to 30 s
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    kill -0 "$show_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
frames_change() {  # title: two dumps of its window's pixels differ within 15 s (loading first)
  local id previous=""
  for i in $(seq 60); do
    sleep 0.25
    # Wine may make the window anew when the display mode changes: look it up each time.
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [[ -n "$id" ]] && xwd -silent -id "$id" >"$work/frame$i.xwd" 2>/dev/null || continue
    [[ -n "$previous" ]] && ! cmp -s "$previous" "$work/frame$i.xwd" && return 0
    previous=$work/frame$i.xwd
  done
  return 1
}
escape_ends() {  # name window: Escape ends the show with status 0 within 3 s
  local started=$SECONDS
  xdotool windowfocus "$2" key Escape
  for _ in $(seq 30); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$show_pid" 2>/dev/null; then kill "$show_pid"; fail "$1: still running 3 s after Escape"; fi
  wait "$show_pid"
  local status=$?
  (( status == 0 )) || fail "$1: exit status $status"
  echo "ok: $1 (ended $((SECONDS - started)) s after Escape)"
}

desktop on
start_exe fullscreen
find_window tavrinel >/dev/null || fail "fullscreen: no tavrinel window"
frames_change tavrinel || fail "fullscreen: the frames do not change"
escape_ends fullscreen "$(find_window tavrinel)"
tr -d '\r' <"$work/fullscreen.out" >"$work/fullscreen.lf"
diff "$work/linux.out" "$work/fullscreen.lf" >"$work/console.diff" ||
  fail "the console lines differ from the Linux program's: $(cat "$work/console.diff")"
echo "ok: the console lines are the Linux program's"

desktop off
start_exe windowed
box=$(find_window "CREATE WINDOW") || fail "windowed: no full-screen question"
# Return answers Yes once the box takes keys: pressed again while it is still there.
for _ in $(seq 20); do
  xdotool windowfocus "$box" key Return 2>/dev/null
  sleep 0.5
  xdotool search --name "^CREATE WINDOW\$" >/dev/null 2>&1 || break
done
find_window tavrinel >/dev/null || fail "windowed: no tavrinel window after Yes"
frames_change tavrinel || fail "windowed: the frames do not change"
escape_ends windowed "$(find_window tavrinel)"
tr -d '\r' <"$work/windowed.out" | grep -q "^Error initializing output device.$" ||
  fail "windowed: no sound device line"
