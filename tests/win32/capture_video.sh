#!/usr/bin/env bash
# tavrinel-capture.exe --video under Wine with a stand-in ffmpeg.exe on the Windows PATH: the
# encoder is found, started with the output's name, and takes every frame whole through its pipe.
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
