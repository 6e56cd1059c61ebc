#!/usr/bin/env bash
# tavrinel.exe --studio under Wine on Xvfb: its window opens over the show folder, a save of
# sync.txt by write-and-rename and one of a model are each taken in through ReadDirectoryChangesW
# (one "reloaded" line each), and Escape ends it with status 0.
# Usage: studio_under_wine.sh WINE_ENV PREFIX TAVRINEL_EXE LINUX_TAVRINEL_INSPECT SHOW_FOLDER
# Exits 77 (skipped) where Wine or Xvfb is missing.
set -uo pipefail
wine_env=$1 prefix=$2 exe=$3 inspect=$4 show=$5
command -v xdotool >/dev/null || { echo "SKIP: xdotool is not installed"; exit 77; }
work=$(mktemp -d)
pid=""
trap '[[ -n "$pid" ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out.txt" "$work/err.txt" 2>/dev/null; exit 1; }

bash "$wine_env" start "$prefix" >/dev/null || fail "Wine would not start"
export WINEPREFIX=$prefix WINEDEBUG=-all
export DISPLAY=$(cut -d' ' -f1 "$prefix.display")
cp -r "$show" "$work/show"
"$inspect" --sync-text "$work/show/sync.dat" >"$work/show/sync.txt" || fail "no text form of sync.dat"

(cd "$work" && exec wine "$exe" --studio show --at 30000 --paused --size 640x480 \
    >"$work/out.txt" 2>"$work/err.txt" </dev/null) &
pid=$!
window=""
for _ in $(seq 300); do
  window=$(xdotool search --name "^tavrinel studio$" 2>/dev/null | head -n 1)
  [[ -n "$window" ]] && break
  kill -0 "$pid" 2>/dev/null || fail "the studio ended before its window opened"
  sleep 0.1
done
[[ -n "$window" ]] || fail "no studio window"
for _ in $(seq 300); do grep -q "saved files are taken in" "$work/out.txt" && break; sleep 0.1; done
grep -q "saved files are taken in" "$work/out.txt" || fail "the studio never said it was watching"

taken() {  # waits up to 10 s for a "reloaded FILE" line
  for _ in $(seq 100); do grep -q "^reloaded $1 at 00:30.000" "$work/out.txt" && return 0; sleep 0.1; done
  fail "the save of $1 was not taken in"
}
sed 's/^00:28.000 39/00:29.500 39/' "$work/show/sync.txt" >"$work/show/.sync.new"
mv "$work/show/.sync.new" "$work/show/sync.txt"
taken sync.txt
model=$work/show/data/3d/in_demo/intro.3ds
cp "$model" "$model.new" && mv "$model.new" "$model"
taken data/3d/in_demo/intro.3ds
echo "ok: saves of sync.txt and of a model taken in"

xdotool key --window "$window" Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Escape did not end the studio"
wait "$pid"
status=$?
pid=""
(( status == 0 )) || fail "exit status $status"
echo "ok: Escape ends the studio"
