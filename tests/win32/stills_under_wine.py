#!/usr/bin/python3
"""tavrinel-capture.exe under Wine against the Linux tavrinel-capture: one still per scene of the
same show, size and frame rate; each at least 40 dB PSNR, and how many are byte-identical.

Scenes 3 and 8 are held to 35 dB: their spheres' masses and bounce come from the C library's
unseeded rand, whose sequence is Windows' own there and glibc's on Linux, so a sphere or two
comes to rest elsewhere. Textures are decoded by stb_image on Windows and libjpeg-turbo on
Linux, which round a few pixels apart.

Usage: stills_under_wine.py WINE_ENV PREFIX CAPTURE_EXE LINUX_CAPTURE SHOW_DIR
Exit status 0 on success, 77 when Wine or PIL is missing.
"""

import filecmp
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from stills import psnr, scene_still_times  # noqa: E402


def main():
    wine_env, prefix, exe, linux_capture, show = sys.argv[1:6]
    try:
        import PIL  # noqa: F401
    except ImportError:
        print("SKIP: PIL is not installed")
        return 77
    started = subprocess.run(["bash", wine_env, "start", prefix])
    if started.returncode != 0:
        return started.returncode
    times = scene_still_times(show)
    if len(times) != 9:
        print(f"FAIL: the sync table reaches {len(times)} scenes, not 9")
        return 1
    at = ",".join(str(t) for t in times)
    options = ["--size", "320x240", "--fps", "15", "--at", at]
    work = tempfile.mkdtemp(prefix="tavrinel-wine-stills-")
    try:
        linux_dir, windows_dir = os.path.join(work, "linux"), os.path.join(work, "windows")
        subprocess.run([linux_capture, "--data", show, "--png", linux_dir, *options], check=True,
                       stderr=subprocess.DEVNULL)
        # Wine maps the Linux root to drive Z:.
        subprocess.run(["bash", wine_env, "run", prefix, exe, "--data", "Z:" + show, "--png",
                        "Z:" + windows_dir, *options], check=True, stdin=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        worst, identical, failed = float("inf"), 0, False
        for scene, t in enumerate(times, start=1):
            name = f"still_{t:07d}.png"
            a, b = os.path.join(linux_dir, name), os.path.join(windows_dir, name)
            if not os.path.exists(b):
                print(f"FAIL: tavrinel-capture.exe made no {name}")
                return 1
            value = psnr(a, b)
            same = filecmp.cmp(a, b, shallow=False)
            identical += same
            least = 35.0 if scene in (3, 8) else 40.0
            print(f"scene {scene} at {t} ms: PSNR {value:.1f} dB{' (identical)' if same else ''}")
            if value < least:
                print(f"FAIL: scene {scene} differs from the Linux capture's: {value:.1f} dB, "
                      f"below {least:.0f}")
                failed = True
            worst = min(worst, value)
        print(f"{identical} of {len(times)} stills byte-identical; the worst {worst:.1f} dB")
        return 1 if failed else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
