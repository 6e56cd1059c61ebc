#!/usr/bin/env bash
# Peak resident memory of tavrinel playing the whole generated show, measured by /usr/bin/time -v
# under Xvfb with openbox and SDL's dummy audio ("2" on standard input). Takes the show's length
# (about 200 s). Usage: bench/show_memory.sh [SHOW_FOLDER]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
program="$build/shell/tavrinel"
show=${1:-$build/show}
source "$root/tests/e2e/xvfb_common.sh"

start_display 640x480x24
echo 2 >"$work/in"
(cd "$show" && SDL_AUDIODRIVER=dummy /usr/bin/time -v "$program" <"$work/in" >/dev/null 2>"$work/time.txt")
grep -E "Maximum resident set size|Elapsed \(wall clock\)|Exit status" "$work/time.txt"
