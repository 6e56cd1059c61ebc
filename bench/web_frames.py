#!/usr/bin/python3
"""The browser build's figures, in headless Chromium: the gzipped size of the code,
page load to the first frame on 127.0.0.1, and each scene's median and worst frame time (drawing
and the GPU process's work, on the virtual clock at 60 frames a second) at 640x480 and 1024x768,
beside tavrinel-capture's (the desktop build on Mesa) for the same show, size and frame rate,
measured in the same run: their ratio, the worst frame after each scene's first, and the worst of
those that do not follow a turn the page gave the browser.

Usage: bench/web_frames.py [--fps N] [--sizes WxH,...] [--gpu swiftshader|mesa] [--capture PATH]
                           [--show DIR] [--browser-flag=FLAG ...] [--slowest N] [WEB_DIR]
       (default 60 frames a second, 640x480 and 1024x768, SwiftShader, build/web made by
       scripts/build-web, build/tools/capture/tavrinel-capture and build/show)

The browser draws on SwiftShader, its own software GPU, unless --gpu mesa puts it on Mesa's
OpenGL ES through EGL: the GPU the desktop build draws on here, so that the ratio measures what
the page itself costs rather than one software rasterizer against another.

--slowest N lists each size's N slowest frames after their scene's first: their drawing and GPU
wait, the desktop build's time for the same frame, whether the page had just given the browser a
turn, and what the GL layer did in them (textures and states drawn in for the first time, storage
made, data sent): what the slow single frames have in common.

--browser-flag passes one more flag to Chromium, for each browser the bench starts. On Mesa,
Chromium's allocator hands the memory llvmpipe bins each frame into back to the system and
faults it in again the next frame, which the desktop build's allocator does not do:
--browser-flag=--enable-features=PartitionAllocLargeEmptySlotSpanRing keeps it, so that the
ratio leaves out that cost of the browser as well.
"""

import argparse
import gzip
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import chromium  # noqa: E402

# Chromium's own flags for drawing through ANGLE on the system's OpenGL ES (Mesa's llvmpipe on a
# machine without a GPU), which it otherwise refuses as a software driver.
GPU_FLAGS = {"swiftshader": [], "mesa": ["--use-angle=gl-egl", "--ignore-gpu-blocklist"]}

RENDERER = """(() => {
  const gl = document.createElement('canvas').getContext('webgl2');
  const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
  return gl ? gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER) : 'no WebGL 2';
})()"""


def native_frames(capture, show, size, fps):
    """tavrinel-capture's report for the same show, size and frame rate: per scene its median
    frame time, per frame its render time."""
    with tempfile.TemporaryDirectory() as work:
        report = os.path.join(work, "report.json")
        subprocess.run([capture, "--data", show, "--size", size, "--fps", str(fps), "--report",
                        report, "--quiet"], check=True)
        with open(report, encoding="utf-8") as f:
            data = json.load(f)
    return ({scene["scene"]: scene["medianMs"] for scene in data["scenes"]},
            {frame["frame"]: frame["renderMs"] for frame in data["frames"]})


def print_slowest(frames, desktop, count):
    """The slowest frames after their scene's first, with what the GL layer did in each and the
    desktop build's time for the same frame."""
    rows = [{key: column[i] for key, column in frames.items()} for i in range(len(frames["ms"]))]
    seen = set()
    later = []
    for row in rows:
        if row["scene"] in seen:
            later.append(row)
        seen.add(row["scene"])
    later = [row for row in later if row["scene"]]
    later.sort(key=lambda row: row["ms"], reverse=True)
    print(f"  the {count} slowest frames after their scene's first (ms; new: textures and states "
          "drawn in for the first time):")
    print("  frame  scene     ms   draw    gpu  desktop  after a turn  draws  new  storage KB  "
          "sent KB")
    for row in later[:count]:
        print(f"  {row['frame']:5.0f}  {row['scene']:5.0f}  {row['ms']:5.1f}  {row['drawMs']:5.1f}  "
              f"{row['gpuMs']:5.1f}  {desktop.get(int(row['frame']), float('nan')):7.1f}  "
              f"{'yes' if row['afterTurn'] else 'no':>12}  {row['draws']:5.0f}  "
              f"{row['texturesFirstDrawn'] + row['statesFirstDrawn']:3.0f}  "
              f"{row['storageBytes'] / 1024:10.0f}  {row['sentBytes'] / 1024:7.0f}")


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("web", nargs="?", default=os.path.join(root, "build", "web"))
    parser.add_argument("--fps", type=int, default=60)
    parser.add_argument("--sizes", default="640x480,1024x768")
    parser.add_argument("--gpu", choices=sorted(GPU_FLAGS), default="swiftshader")
    parser.add_argument("--capture",
                        default=os.path.join(root, "build", "tools", "capture", "tavrinel-capture"))
    parser.add_argument("--show", default=os.path.join(root, "build", "show"))
    parser.add_argument("--browser-flag", action="append", default=[], dest="browser_flags")
    parser.add_argument("--slowest", type=int, default=0)
    options = parser.parse_args()
    flags = GPU_FLAGS[options.gpu] + options.browser_flags
    web = options.web
    code = 0
    for name in ("tavrinel.js", "tavrinel.wasm", "page.js", "page.css", "index.html"):
        with open(os.path.join(web, name), "rb") as f:
            code += len(gzip.compress(f.read(), 9))
    print(f"code, gzipped (-9): {code / 1e6:.2f} MB; "
          f"data package {os.path.getsize(os.path.join(web, 'show.data')) / 1e6:.2f} MB")
    opened = chromium.session(web, "tavrinel.wasm", extra_flags=flags)
    if not opened:
        return 1
    server, browser = opened
    try:
        print("the page draws on " + browser.evaluate(RENDERER)
              + (f" (Chromium flags: {' '.join(flags)})" if flags else ""))
        loads = []
        for _ in range(3):
            browser.open(server.url("index.html?autoplay=2"))
            loads.append(browser.wait_for("tavrinel.firstFrameMs || null", 60))
        print("page load to the first frame of the show: "
              + ", ".join(f"{ms:.0f} ms" for ms in loads))
        for size in options.sizes.split(","):
            # Each report in a browser of its own: the show the last load started would go on
            # playing beside the desktop build, and the pages before would be torn down while
            # the report's first frames are timed.
            browser.close()
            native, desktop_frames = native_frames(options.capture, options.show, size, options.fps)
            browser = chromium.Browser(extra_flags=flags)
            browser.open(server.url(f"index.html?report=1&size={size}&fps={options.fps}"))
            report = browser.wait_for("tavrinel.state === 'stills' ? tavrinel.report : null", 1200, 1)
            late = browser.evaluate("tavrinel.programsMadeLate")
            print(f"frame times at {size}, {options.fps} frames a second, per scene (ms; shader "
                  f"programs made while drawing: {late}):")
            print("  scene  page median  desktop median  ratio  page worst  after its first frame  "
                  "and not after a turn")
            for entry in report:
                desktop = native.get(entry["scene"])
                ratio = f"{entry['medianMs'] / desktop:5.2f}" if desktop else "    -"
                print(f"  {entry['scene']:5d}  {entry['medianMs']:11.1f}  "
                      f"{desktop or float('nan'):14.1f}  {ratio}  {entry['worstMs']:10.1f}  "
                      f"{entry['worstAfterFirstMs']:21.1f}  {entry['worstSteadyMs']:20.1f}")
            if options.slowest:
                print_slowest(browser.evaluate("tavrinel.frameLog"), desktop_frames,
                              options.slowest)
    finally:
        browser.close()
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
