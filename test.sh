#!/usr/bin/env bash
# Installs what is missing, builds tavrinel and runs the whole test suite (no display, sound card
# or GPU needed).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps"
"$root/scripts/build" "$root/build"
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
