#!/usr/bin/env bash
# Installs what is missing, builds tavrinel with its data set, and plays the show: in a window
# when there is a display; otherwise it renders the show to show.mp4 instead. With --web, builds
# the browser page instead and serves it on 127.0.0.1 (PORT, default 8000) until interrupted.
# Usage: ./run.sh [--web [PORT]]
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

if [[ "${1:-}" == "--web" ]]; then
  port=${2:-8000}
  "$root/scripts/build-web"
  echo "run.sh: the show is at http://127.0.0.1:$port/ (Ctrl-C stops the server)" >&2
  exec /usr/bin/python3 -m http.server --bind 127.0.0.1 --directory "$root/build/web" "$port"
elif [[ -n "${1:-}" ]]; then
  echo "usage: ./run.sh [--web [PORT]]" >&2
  exit 2
fi
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
