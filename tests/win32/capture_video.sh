#!/usr/bin/env bash
# tavrinel-capture.exe --video under Wine with a stand-in ffmpeg.exe on the Windows PATH: the
# encoder is found, started with the output's name, and takes every frame whole through its pipe;
# one that stops reading without ending is stopped after --encoder-timeout and fails the capture.
# Usage: capture_video.sh WINE_ENV PREFIX CAPTURE_EXE ENCODER_DIR SHOW_FOLDER
set -uo pipefail
wine_env=$1 prefix=$2 exe=$3 encoder=$4 show=$5
[[ -f "$show/sync.dat" ]] || { echo "SKIP: no show in $show"; exit 77; }
bash "$wine_env" start "$prefix" >/dev/null || exit $?
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 1 s of show at 10 frames a second, 64x48: 11 frames of 64 x 48 x 3 bytes.
WINEPATH="Z:$encoder" bash "$wine_env" run "$prefix" "$exe" --data "Z:$show" --size 64x48 \
  --fps 10 --to 1000 --video "Z:$work/show.mp4" </dev/null >"$work/out" 2>&1
status=$?
(( status == 0 )) || { echo "FAIL: the capture ended with status $status"; cat "$work/out"; exit 1; }
[[ -f "$work/show.mp4" ]] || { echo "FAIL: the encoder was not started"; cat "$work/out"; exit 1; }
bytes=$(head -n 1 "$work/show.mp4" | tr -d '\r')
(( bytes == 11 * 64 * 48 * 3 )) ||
  { echo "FAIL: the encoder took $bytes bytes, not $((11 * 64 * 48 * 3))"; exit 1; }
tr -d "\r" <"$work/show.mp4" | grep -qx -- "-i" || { echo "FAIL: the encoder's arguments are lost"; exit 1; }
echo "ok: the encoder took 11 frames whole through its pipe"

# An encoder that stops taking frames (more than its pipe holds: 31 frames of 225 KB): the capture
# ends non-zero within its bound, naming the video.
started=$SECONDS
TAVRINEL_FAKE_ENCODER=stall WINEPATH="Z:$encoder" bash "$wine_env" run "$prefix" "$exe" \
  --data "Z:$show" --size 320x240 --fps 10 --to 3000 --encoder-timeout 1 \
  --video "Z:$work/stalled.mp4" </dev/null >"$work/stalled" 2>&1
status=$?
(( status != 0 )) || { echo "FAIL: a stalled encoder was reported a success"; exit 1; }
grep -q "stalled.mp4" "$work/stalled" && grep -q "took no frame" "$work/stalled" ||
  { echo "FAIL: the stalled encoder's failure does not name the video and why"; cat "$work/stalled"; exit 1; }
(( SECONDS - started < 60 )) || { echo "FAIL: the stalled encoder held the capture $((SECONDS - started)) s"; exit 1; }
echo "ok: an encoder that stops reading is stopped and the capture fails ($((SECONDS - started)) s)"
