#!/usr/bin/env bash
# The real tavrinel plays the generated show from start to end by itself under Xvfb with openbox
# and SDL's dummy audio ("2" on standard input), and exits 0 when the last scene ends it.
# Usage: full_show.sh PATH_TO_TAVRINEL SHOW_FOLDER. Exits 77 (skipped) where Xvfb cannot start.
set -uo pipefail
program=$1
show=$2
source "$(dirname "$0")/xvfb_common.sh"

[[ -f "$show/forest.mp3" ]] || fail "no show in $show"
start_display 640x480x24
start_show full 2 "$show"
wait_for_window tavrinel >/dev/null || fail "full: no tavrinel window"
started=$SECONDS
# The show lasts about 200 s; give it room, but not for ever.
for _ in $(seq 2800); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$show_pid" 2>/dev/null; then kill "$show_pid"; fail "full: still playing after 280 s"; fi
wait "$show_pid"
status=$?
(( status == 0 )) || fail "full: exit status $status"
echo "ok: the whole show played in $((SECONDS - started)) s and ended by itself"
