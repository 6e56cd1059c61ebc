#!/usr/bin/env bash
# Shared by the tests that run the real program in a real X display: Xvfb on a free display
# number, openbox as its window manager, helpers to start tavrinel and watch it. Sourced.

for tool in Xvfb openbox xdotool wmctrl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; for f in "$work"/*.out "$work"/*.err "$work"/*.log; do [[ -s $f ]] && { echo "--- $f"; cat "$f"; }; done; exit 1; }

# Starts Xvfb with one screen of the given size on a free display and openbox on it. Openbox
# answers `wmctrl -m` before it publishes its client list, and on a loaded machine the gap has
# lasted seconds, so it counts as started once the list can be read. A display that does not
# come up (CI once saw openbox unable to open the display Xvfb had just reported) is started
# again, twice at most: the tests are of tavrinel, not of the X server.
start_display() {
  local attempt number xvfb box
  for attempt in 1 2 3; do
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 "$1" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    number=""
    read -r -t 10 -u "$fd" number || true
    exec {fd}<&-
    [[ -n "$number" ]] || { echo "SKIP: Xvfb did not start"; cat "$work/xvfb.log"; exit 77; }
    export DISPLAY=":$number"
    openbox >"$work/openbox.log" 2>&1 &
    box=$!
    pids+=("$xvfb" "$box")
    for _ in $(seq 150); do wmctrl -l >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "display $DISPLAY did not come up (attempt $attempt):"
    cat "$work/xvfb.log" "$work/openbox.log"
    kill "$box" "$xvfb" 2>/dev/null
    wait "$box" "$xvfb" 2>/dev/null
  done
  fail "openbox did not start on a display of its own"
}

# Starts tavrinel with `choice` on standard input in `folder` (default: an empty one).
start_show() {
  local name=$1 choice=$2 folder=${3:-$work/$1}
  mkdir -p "$folder"
  echo "$choice" >"$work/$name.in"
  (cd "$folder" && SDL_AUDIODRIVER=dummy exec "$program" \
      <"$work/$name.in" >"$work/$name.out" 2>"$work/$name.err") &
  show_pid=$!
}

wait_for_window() {  # title; the program opens its window before loading, but a loaded machine is slow
  for _ in $(seq 300); do
    id=$(wmctrl -l | awk -v t="$1" '{ title=""; for (i = 4; i <= NF; i++) title = title (i > 4 ? " " : "") $i; if (title == t) print $1 }' | head -n 1)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    kill -0 "$show_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# The show keeps presenting frames: it stays up and keeps using the processor.
expect_running() {
  local before after
  before=$(cpu_ticks "$show_pid") || fail "$1: tavrinel ended early"
  sleep 1
  kill -0 "$show_pid" 2>/dev/null || fail "$1: tavrinel ended early"
  after=$(cpu_ticks "$show_pid")
  (( after > before )) || fail "$1: tavrinel is not running its frame loop"
}

# Waits up to 2 seconds for the show to end; it must end with status 0.
expect_exit_zero() {
  local name=$1 started=$SECONDS
  for _ in $(seq 20); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$show_pid" 2>/dev/null; then kill "$show_pid"; fail "$name: still running 2 s later"; fi
  wait "$show_pid"
  local status=$?
  (( status == 0 )) || fail "$name: exit status $status"
  echo "ok: $name (ended within $((SECONDS - started + 1)) s)"
}

