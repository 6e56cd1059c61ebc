#!/usr/bin/env bash
# Installs what is missing, builds tavrinel and plays the show.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps"
"$root/scripts/build" "$root/build"

show="$root/build/show"
mkdir -p "$show"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); tavrinel needs one to play." >&2
  exit 1
fi
cd "$show"
exec "$root/build/shell/tavrinel"
