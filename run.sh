#!/usr/bin/env bash
# Installs what is missing, builds tavrinel with its data set, and plays the show: in a window
# when there is a display; otherwise it renders the show to show.mp4 instead.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps"
"$root/scripts/build" "$root/build"

show="$root/build/show"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  cd "$show"
  exec "$root/build/shell/tavrinel"
fi

video="$root/build/show.mp4"
echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the show is rendered" >&2
echo "run.sh: to a video instead: $video (1024x768, 60 frames a second, with its soundtrack)" >&2
"$root/build/tools/capture/tavrinel-capture" --data "$show" --video "$video"
echo "run.sh: the show is in $video"
