"""Stills of the show compared across builds: when to take them, and how close two are."""

import math
import os
import struct


def sync_events(show):
    with open(os.path.join(show, "sync.dat"), "rb") as f:
        data = f.read()
    (count,) = struct.unpack_from("<i", data)
    return [struct.unpack_from("<ii", data, 4 + 8 * i) for i in range(count)]


def scene_entries(show):
    """When each scene is first entered, by the sync table's steps (code 39 on, 37 back)."""
    selector, entered = 1, {1: 0}
    for time_ms, code in sync_events(show):
        selector += 1 if code == 39 else -1 if code == 37 else 0
        entered.setdefault(selector, time_ms)
    return entered


def scene_still_times(show):
    """Halfway through each scene (8 s into the last), past the white flashes they open with."""
    entered = scene_entries(show)
    return [(entered[n] + min(entered.get(n + 1, entered[n] + 16000), entered[n] + 16000)) // 2
            for n in range(1, 10) if n in entered]


def psnr(a, b):
    from PIL import Image
    first = Image.open(a).convert("RGB").tobytes()
    second = Image.open(b).convert("RGB").tobytes()
    if len(first) != len(second):
        return 0.0
    error = sum((x - y) ** 2 for x, y in zip(first, second))
    return math.inf if error == 0 else 10 * math.log10(255 * 255 * len(first) / error)
