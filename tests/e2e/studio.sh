#!/usr/bin/env bash
# The studio in a real X display, driven by key presses through XTEST as a viewer would: seeks
# back and forth give the same picture, saves of sync.txt by write-and-rename are each taken in
# (none missed), a model saved broken keeps the last good picture and is named on standard
# output, a good save comes back to the same picture, and Escape ends it with status 0.
# Usage: studio.sh PATH_TO_TAVRINEL PATH_TO_TAVRINEL_INSPECT SHOW_DIR [SAVES]
# Exits 77 (skipped) where Xvfb cannot start. SAVES (default 20) is how many saves of sync.txt
# are made; each one's time from the rename to its "reloaded" line is printed.
set -uo pipefail
program=$1
inspect=$2
show=$3
saves=${4:-20}

source "$(dirname "$0")/xvfb_common.sh"
command -v xwd >/dev/null || { echo "SKIP: xwd is not installed"; exit 77; }

start_display 1280x1024x24
cp -r "$show" "$work/show"
"$inspect" --sync-text "$work/show/sync.dat" >"$work/show/sync.txt" || fail "no text form of sync.dat"

(cd "$work" && SDL_AUDIODRIVER=dummy exec "$program" --studio show --at 30000 --paused \
    >"$work/studio.out" 2>"$work/studio.err") &
show_pid=$!
pids+=("$show_pid")
id=$(wait_for_window "tavrinel studio") || fail "no studio window"
for _ in $(seq 300); do grep -q "saved files are taken in" "$work/studio.out" && break; sleep 0.1; done
grep -q "saved files are taken in" "$work/studio.out" || fail "the studio never said it was watching"

shot() {  # the window's pixels into $work/$1.xwd, once two grabs in a row agree
  local previous=""
  for _ in $(seq 50); do
    sleep 0.1
    xwd -silent -id "$id" >"$work/$1.xwd" 2>/dev/null || continue
    [[ -n "$previous" ]] && cmp -s "$previous" "$work/$1.xwd" && return 0
    cp "$work/$1.xwd" "$work/$1.before.xwd"
    previous=$work/$1.before.xwd
  done
  fail "the picture did not settle for $1"
}
same() { cmp -s "$work/$1.xwd" "$work/$2.xwd" || fail "$3"; }
lines() { grep -c "$1" "$work/studio.out"; }

xdotool key --window "$id" Tab  # the overlay off: the show's picture alone
shot start
xdotool key --window "$id" Right Right shift+Left Next Prior period comma period
shot elsewhere
cmp -s "$work/start.xwd" "$work/elsewhere.xwd" && fail "the keys did not move the show"
xdotool key --window "$id" Home shift+Right shift+Right shift+Right
shot back
same start back "seeking away and back to 30 s gave another picture"
echo "ok: seeks back and forth give the same picture"

xdotool key --window "$id" space
sleep 1.5
xdotool key --window "$id" space
shot played
cmp -s "$work/start.xwd" "$work/played.xwd" && fail "Space did not play the show"
xdotool key --window "$id" Home shift+Right shift+Right shift+Right
shot again
same start again "played, paused and sent back to 30 s, the show gave another picture"
echo "ok: Space plays and pauses"

# Saves of sync.txt by write-and-rename, each waited for: an event moved back and forth.
txt=$work/show/sync.txt
worst=0
for i in $(seq "$saves"); do
  before=$(lines "^reloaded sync.txt at 00:30.000")
  if (( i % 2 )); then from="00:34.000 40"; to="00:34.500 40"; else from="00:34.500 40"; to="00:34.000 40"; fi
  sed "s/^$from/$to/" "$txt" >"$txt.new"
  started=$(date +%s%N)
  mv "$txt.new" "$txt"
  for _ in $(seq 500); do
    (( $(lines "^reloaded sync.txt at 00:30.000") > before )) && break
    sleep 0.01
  done
  (( $(lines "^reloaded sync.txt at 00:30.000") > before )) || fail "save $i of sync.txt was not taken in"
  took=$(( ($(date +%s%N) - started) / 1000000 ))
  (( took > worst )) && worst=$took
done
echo "ok: $saves saves of sync.txt, each taken in; the longest from the rename to its line: $worst ms"

# A model saved broken keeps the picture; saved whole again it is taken in, the picture the same.
model=$work/show/data/3d/in_demo/surrounded.3ds
cp "$model" "$work/good.3ds"
head -c 200 "$work/good.3ds" >"$model.new" && mv "$model.new" "$model"
for _ in $(seq 100); do (( $(lines "surrounded.3ds: .*the last good version stays") )) && break; sleep 0.05; done
(( $(lines "surrounded.3ds: .*the last good version stays") )) || fail "the broken model was not named"
shot broken
same start broken "a broken save changed the picture"
cp "$work/good.3ds" "$model.new" && mv "$model.new" "$model"
for _ in $(seq 100); do (( $(lines "^reloaded data/3d/in_demo/surrounded.3ds at 00:30.000") )) && break; sleep 0.05; done
(( $(lines "^reloaded data/3d/in_demo/surrounded.3ds at 00:30.000") )) || fail "the good model was not taken in"
shot whole
same start whole "the model taken in again gave another picture"
echo "ok: a broken model keeps the last good picture and is named; the good one comes back"

xdotool key --window "$id" Escape 2>/dev/null
for _ in $(seq 50); do kill -0 "$show_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show_pid" 2>/dev/null && fail "Escape did not end the studio"
wait "$show_pid"
status=$?
(( status == 0 )) || fail "exit status $status"
grep -q "snapshots kept" "$work/studio.out" || fail "the snapshots' memory was not printed"
echo "ok: Escape ends the studio"
