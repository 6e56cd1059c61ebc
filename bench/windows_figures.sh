#!/usr/bin/env bash
# The Windows build's figures, beside the Linux build's on the same machine and show: each .exe's
# size and the DLLs it imports; start-up to the first frame (tavrinel-capture, one still at 0 ms,
# median of RUNS); per-scene median render time at 1024x768 from --report (FPS frames a second of
# show time); the stills' PSNR. Needs scripts/build and scripts/build-windows first.
# Usage: bench/windows_figures.sh   (RUNS default 3, FPS default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
linux=${BUILD_DIR:-$root/build}
windows=${WINDOWS_BUILD_DIR:-$root/build-windows}
runs=${RUNS:-3}
fps=${FPS:-10}
show="$linux/show"
wine_env="$root/tests/win32/wine_env.sh"
prefix="$windows/wine-prefix"
exes=("$windows/shell/tavrinel.exe" "$windows/tools/capture/tavrinel-capture.exe"
      "$windows/tools/examine/tavrinel-inspect.exe")
for f in "${exes[@]}" "$linux/tools/capture/tavrinel-capture" "$show/sync.dat"; do
  [[ -e "$f" ]] || { echo "build first: scripts/build and scripts/build-windows ($f)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'bash "$wine_env" stop "$prefix"; rm -rf "$work"' EXIT
bash "$wine_env" start "$prefix"

echo "== the programs and the DLLs they import"
for exe in "${exes[@]}"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort | paste -sd' ')
  printf '%-22s %6d KB  %s\n' "$(basename "$exe")" $(( $(stat -c %s "$exe") / 1024 )) "$dlls"
done

wine_capture() { bash "$wine_env" run "$prefix" "${exes[1]}" "$@" </dev/null; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() { local s=$EPOCHREALTIME; "$@" >/dev/null 2>&1; awk -v a="$s" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f\n", b - a }'; }

echo "== start-up to the first frame: the show loaded, one still at 0 ms, 640x480 (median of $runs)"
for i in $(seq "$runs"); do
  seconds "$linux/tools/capture/tavrinel-capture" --data "$show" --size 640x480 --at 0 \
    --png "$work/l" >>"$work/linux-start"
  seconds wine_capture --data "Z:$show" --size 640x480 --at 0 --png "Z:$work/w" >>"$work/wine-start"
done
echo "Linux $(median <"$work/linux-start") s, Wine $(median <"$work/wine-start") s"

echo "== per-scene median render time at 1024x768, $fps frames a second of show time"
"$linux/tools/capture/tavrinel-capture" --data "$show" --fps "$fps" --report "$work/linux.json" \
  2>/dev/null
wine_capture --data "Z:$show" --fps "$fps" --report "Z:$work/wine.json" 2>/dev/null
/usr/bin/python3 - "$work/linux.json" "$work/wine.json" <<'PY'
import json, sys
linux, wine = (json.load(open(p)) for p in sys.argv[1:3])
by = lambda r: {s["scene"]: s["medianMs"] for s in r["scenes"]}
l, w = by(linux), by(wine)
print("scene  Linux ms  Wine ms  Wine/Linux")
for scene in sorted(l):
    print(f"{scene:5d}  {l[scene]:8.2f}  {w.get(scene, float('nan')):7.2f}  "
          f"{w.get(scene, float('nan')) / l[scene]:10.2f}")
PY

echo "== stills: tavrinel-capture.exe against the Linux capture"
/usr/bin/python3 "$root/tests/win32/stills_under_wine.py" "$wine_env" "$prefix" "${exes[1]}" \
  "$linux/tools/capture/tavrinel-capture" "$show"
