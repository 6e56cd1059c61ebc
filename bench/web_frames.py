#!/usr/bin/python3
"""The browser build's figures, in headless Chromium on SwiftShader: the gzipped size of the code,
page load to the first frame on 127.0.0.1, and each scene's median and worst frame time (drawing
and the GPU process's work, on the virtual clock at 60 frames a second) at 640x480 and 1024x768.

Usage: bench/web_frames.py [--fps N] [--sizes WxH,...] [WEB_DIR]
       (default 60 frames a second, 640x480 and 1024x768, build/web made by scripts/build-web)
"""

import argparse
import gzip
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import chromium  # noqa: E402


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("web", nargs="?", default=os.path.join(root, "build", "web"))
    parser.add_argument("--fps", type=int, default=60)
    parser.add_argument("--sizes", default="640x480,1024x768")
    options = parser.parse_args()
    web = options.web
    code = 0
    for name in ("tavrinel.js", "tavrinel.wasm", "page.js", "page.css", "index.html"):
        with open(os.path.join(web, name), "rb") as f:
            code += len(gzip.compress(f.read(), 9))
    print(f"code, gzipped (-9): {code / 1e6:.2f} MB; "
          f"data package {os.path.getsize(os.path.join(web, 'show.data')) / 1e6:.2f} MB")
    opened = chromium.session(web, "tavrinel.wasm")
    if not opened:
        return 1
    server, browser = opened
    try:
        loads = []
        for _ in range(3):
            browser.open(server.url("index.html?autoplay=2"))
            loads.append(browser.wait_for("tavrinel.firstFrameMs || null", 60))
        print("page load to the first frame of the show: "
              + ", ".join(f"{ms:.0f} ms" for ms in loads))
        for size in options.sizes.split(","):
            browser.open(server.url(f"index.html?report=1&size={size}&fps={options.fps}"))
            report = browser.wait_for("tavrinel.state === 'stills' ? tavrinel.report : null", 1200, 1)
            print(f"frame times at {size}, per scene (median / worst ms):")
            for entry in report:
                print(f"  scene {entry['scene']}: {entry['medianMs']:6.1f} / {entry['worstMs']:6.1f}"
                      f"  ({entry['frames']} frames)")
    finally:
        browser.close()
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
