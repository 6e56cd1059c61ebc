#!/usr/bin/env bash
# Fuzzes one reader for a while, from its seed corpus, in the sanitizer build.
# Usage: fuzz/run.sh TARGET [SECONDS]   TARGET: load_3ds, examine_3ds, sync_track,
#                                             sync_text, decode_image or mp3_frames
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: fuzz/run.sh TARGET [SECONDS] (load_3ds, examine_3ds, sync_track, sync_text, decode_image, mp3_frames)}
seconds=${2:-60}
build="$root/build-sanitize"
"$root/scripts/build-sanitize"
"$build/fuzz/make_corpus" "$build/fuzz/corpus"
found="$build/fuzz/found/$target"
mkdir -p "$found"
cd "$found"
exec "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
  "$found" "$build/fuzz/corpus/$target"
