#!/usr/bin/env bash
# Start-up time of the real program: from the moment the process starts to its first presented
# frame, in a show folder given as the first argument (default: an empty one), under Xvfb with
# openbox and SDL's dummy audio driver. Prints each run and the median of RUNS (default 5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
runs=${RUNS:-5}
show=${1:-$(mktemp -d)}
probe="$build/bench/libstartup_probe.so"
[[ -x "$build/shell/tavrinel" && -f "$probe" ]] || { echo "build first: scripts/build" >&2; exit 1; }

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 -u "$fd" number
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
pids+=($!)
until wmctrl -m >/dev/null 2>&1; do sleep 0.1; done

times=()
for i in $(seq "$runs"); do
  rm -f "$work/first"
  echo 2 >"$work/in"
  (cd "$show" && start=$EPOCHREALTIME && echo "$start" >"$work/start" &&
    TAVRINEL_FIRST_FRAME_FILE="$work/first" LD_PRELOAD="$probe" SDL_AUDIODRIVER=dummy \
      exec "$build/shell/tavrinel" <"$work/in" >/dev/null 2>&1) &
  pid=$!
  for _ in $(seq 300); do [[ -s "$work/first" ]] && break; sleep 0.05; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [[ -s "$work/first" ]] || { echo "run $i: no frame presented" >&2; exit 1; }
  ms=$(awk -v s="$(cat "$work/start")" -v f="$(cat "$work/first")" 'BEGIN { printf "%.1f", (f - s) * 1000 }')
  echo "run $i: ${ms} ms"
  times+=("$ms")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "median of %d: %s ms\n", NR, a[int((NR + 1) / 2)] }'
