#!/usr/bin/env bash
# Installs what is missing, builds tavrinel and runs the whole test suite (no display, sound card
# or GPU needed): the unit, tool, browser and end-to-end tests in build/ (the browser build in
# build-web/ and build/web, run in headless Chromium), then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer with the fuzz targets' corpora and short fuzz
# runs in build-sanitize/, then the Windows build's tests under Wine in build-windows/.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps" web windows
"$root/scripts/build" "$root/build"
"$root/scripts/build-web"
"$root/scripts/build-sanitize"
"$root/scripts/build-windows"

echo "== tests" >&2
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)" "$@")
echo "== tests under the sanitizers, and fuzzing" >&2
(cd "$root/build-sanitize" && ctest --output-on-failure --parallel "$(nproc)" -E tavrinel_under_xvfb -LE web "$@")
echo "== the Windows build's tests, under Wine" >&2
(cd "$root/build-windows" && ctest --output-on-failure --parallel "$(nproc)" "$@")
