#!/usr/bin/env bash
# Runs every measurement and prints its figures. Needs a build (scripts/build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=${SECONDS_OF_MUSIC:-30}

echo "== .3ds parse throughput from memory, against lib3ds and assimp"
"$build/bench/parse_3ds"

echo "== .3ds load time and peak memory on crafted 10 MB files (goal: under 1 s, peak under 20x)"
"$build/bench/crafted_3ds" 10

echo "== frame times of the draw paths, headless at 1024x768"
"$build/bench/render_frames"

echo "== seeks to every whole second of the show at 1024x768 (goals: median under 100 ms, worst under 250 ms, snapshots under 64 MB)"
"$build/bench/seek" "$build/show"

echo "== a still near the show's end against one near its start"
"$root/bench/stills_at.sh"

echo "== the studio taking in 100 saves of sync.txt in a row under Xvfb (goal: none missed, each under 250 ms)"
bash "$root/tests/e2e/studio.sh" "$build/shell/tavrinel" "$build/tools/examine/tavrinel-inspect" \
  "$build/show" 100

echo "== start-up: process start to first presented frame (no data files)"
"$root/bench/startup.sh"

echo "== music position against a steady clock, ${seconds} s, SDL's dummy driver"
SDL_AUDIODRIVER=dummy "$build/bench/music_position" "$seconds"

echo "== music position against a steady clock, ${seconds} s, SDL's disk driver (a paced device)"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$build/bench/music_position" "$seconds"

echo "== peak memory of tavrinel playing the whole show (real time, about 200 s)"
"$root/bench/show_memory.sh"
