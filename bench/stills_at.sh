#!/usr/bin/env bash
# What a still costs near the show's end against one near its start: tavrinel-capture --at 190000
# and --at 1000 at 320x240, five runs of each, alternating; the medians of the wall times and
# their ratio (goal: within 2x). Needs a build (scripts/build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

run() {  # prints the wall time in seconds of one still at $1 ms
  local begun ended
  begun=$(date +%s.%N)
  "$build/tools/capture/tavrinel-capture" --data "$build/show" --size 320x240 --at "$1" \
    --png "$out" --quiet
  ended=$(date +%s.%N)
  awk -v a="$begun" -v b="$ended" 'BEGIN { print b - a }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

near=() far=()
for _ in 1 2 3 4 5; do
  near+=("$(run 1000)")
  far+=("$(run 190000)")
done
n=$(printf '%s\n' "${near[@]}" | median)
f=$(printf '%s\n' "${far[@]}" | median)
awk -v n="$n" -v f="$f" 'BEGIN {
  printf "still at 1 s: %.3f s; still at 190 s: %.3f s; ratio %.2f (goal: at most 2)\n", n, f, f / n
}'
