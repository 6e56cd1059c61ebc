#!/usr/bin/env bash
# The real tavrinel in a real X display with a window manager: it opens its window, keeps
# presenting frames, and ends with status 0 on Escape and on a close request; a refused full-screen
# mode is answered "Yes" and the show runs in a window.
# Usage: window_smoke.sh PATH_TO_TAVRINEL. Exits 77 (skipped) where Xvfb cannot start.
set -uo pipefail
program=$1

source "$(dirname "$0")/xvfb_common.sh"

start_display 640x480x24

start_show escape 2
wait_for_window tavrinel >/dev/null || fail "escape: no tavrinel window"
expect_running escape
xdotool key Escape
expect_exit_zero escape
grep -q "^   4. 1024\*768$" "$work/escape.out" || fail "escape: the menu was not printed"
grep -q "^File Not Found$" "$work/escape.out" || fail "escape: no File Not Found line"

start_show close 2
wait_for_window tavrinel >/dev/null || fail "close: no tavrinel window"
expect_running close
wmctrl -c tavrinel
expect_exit_zero close

# 1024 × 768 does not exist on a 640 × 480 screen: the viewer is offered a window.
start_show windowed 4
box=$(wait_for_window "CREATE WINDOW") || fail "windowed: no full-screen question"
xdotool key --window "$((box))" Return
wait_for_window tavrinel >/dev/null || fail "windowed: no tavrinel window after Yes"
expect_running windowed
xdotool key Escape
expect_exit_zero windowed
