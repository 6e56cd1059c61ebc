#!/usr/bin/python3
"""The show's page in headless Chromium.

Usage: page_test.py CHECK WEB_DIR SHOW_DIR [CAPTURE | INSPECT]
  stills        one still per scene from the page against tavrinel-capture's (CAPTURE) of the
                same size and frame rate: PSNR of at least 30 dB each; every shader program
                the show draws with was made while it loaded
  realtime      ?autoplay=2 for 34 s: the show clock follows the wall clock, the scenes change at
                the sync table's times, nothing on the console's error channel
  first-screen  the console lines, typed lines and menu keys, the default, Escape while playing and
                while loading, a refused full screen (Yes, No), no WebGL 2, a missing texture's
                box, and an address asking for too many stills
  suspend       the audio context suspended and resumed during the show, and ?autoplay=2 in a
                browser that wants a gesture: the show runs on, then the music is in step with it
  studio-folder ?studio: the show's folder through the folder input plays at the menu's size, its
                events as marks, the timeline a slider; a damaged model (its folder dropped) and
                a missing sync.dat listed and played anyway, a save downloaded as tavrinel-inspect (INSPECT) makes
                it; a dropped folder read in batches, a file too large refused
  studio-seek   clicks on the timeline give tavrinel-capture's (CAPTURE) stills; the transport's
                buttons, and keys typed into the code field kept from it
  studio-edit   edits by the buttons, a drag and the keyboard undone to the folder's table byte
                for byte, saved into the folder (a handle) as the inspector makes it; a saved
                sync.txt taken in; random edits, undos and redos
Exit status 0 on success, 77 when there is no browser build or no chromium.
"""

import base64
import io
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time

import chromium
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from stills import psnr, scene_still_times, sync_events  # noqa: E402
import studio_checks  # noqa: E402

MENU = ("Welcome to this years contribution from tavrinel!\n"
        "Please choose your desired resolution:\n"
        " -----------------------------------\n"
        "   1. 320*200\n"
        "   2. 640*480\n"
        "   3. 800*600\n"
        "   4. 1024*768\n")


Failed = studio_checks.Failed


def check(condition, what):
    if not condition:
        raise Failed(what)


def stills(browser, server, show, capture):
    times = scene_still_times(show)
    check(len(times) == 9, f"the sync table reaches {len(times)} scenes, not 9")
    size, fps = "320x240", 15
    work = tempfile.mkdtemp(prefix="tavrinel-stills-")
    try:
        started = time.time()
        at = ",".join(str(t) for t in times)
        subprocess.run([capture, "--data", show, "--size", size, "--fps", str(fps), "--at", at,
                        "--png", work], check=True, stderr=subprocess.DEVNULL)
        native = time.time() - started
        started = time.time()
        browser.open(server.url(f"index.html?at={at}&size={size}&fps={fps}"))
        urls = browser.wait_for("tavrinel.state === 'stills' ? tavrinel.stills : null", 600, 0.5)
        check(urls is not None and len(urls) == len(times), "the page made no stills")
        late = browser.evaluate("tavrinel.programsMadeLate")
        check(late == 0, f"the GL layer made {late} shader programs while drawing the show")
        print(f"stills of {len(times)} scenes at {size}, {fps} fps: "
              f"tavrinel-capture {native:.1f} s, the page {time.time() - started:.1f} s")
        worst = math.inf
        for scene, (t, url) in enumerate(zip(times, urls), start=1):
            page = io.BytesIO(base64.b64decode(url.split(",", 1)[1]))
            value = psnr(page, os.path.join(work, f"still_{t:07d}.png"))
            print(f"scene {scene} at {t} ms: PSNR {value:.1f} dB")
            worst = min(worst, value)
        check(worst >= 30.0, f"a still differs from the desktop's: {worst:.1f} dB")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def realtime(browser, server, show):
    browser.open(server.url("index.html?autoplay=2"))
    check(browser.wait_for("tavrinel.state === 'playing' || null", 60), "the show did not start")
    samples = []  # (wall s, show ms, scene)
    started = time.time()
    while time.time() - started < 34:
        state = browser.evaluate("[tavrinel.showMs, tavrinel.scene, tavrinel.state]")
        samples.append((time.time(), state[0], state[1]))
        time.sleep(0.1)
    first = next(s for s in samples if s[1] > 0)
    last = next(s for s in samples if s[0] >= first[0] + 20)
    ratio = (last[1] - first[1]) / 1000 / (last[0] - first[0])
    print(f"show clock over wall clock, 20 s: {ratio:.3f}")
    check(0.9 <= ratio <= 1.1, f"the show clock runs at {ratio:.3f} of the wall clock")
    # The selector a position should show: the sync table's steps due by then.
    steps = [(t, code) for t, code in sync_events(show) if code in (37, 39)]
    for _, show_ms, scene in samples:
        expected = 1 + sum(1 if code == 39 else -1 for t, code in steps if t <= show_ms)
        check(scene == expected, f"scene {scene} at {show_ms} ms, the sync table says {expected}")
    changes = sorted({s[2] for s in samples})
    print(f"scenes seen: {changes}; {samples[-1][1]} ms of the show played")
    check(len(changes) >= 2, "no scene change was seen")
    errors = [text for level, text in browser.console if level in ("error", "assert")]
    check(not errors and not browser.exceptions, f"errors on the console: {errors}")


def in_step(browser, when):
    """The show and the music agree over one second: the median gap under 30 ms."""
    gaps = []
    for _ in range(10):
        gap, state = browser.evaluate("[tavrinel.music.gapMs(), tavrinel.music.state()]")
        check(state == "running", f"{when}: the audio context is {state}")
        gaps.append(gap)
        time.sleep(0.1)
    gap = sorted(gaps)[len(gaps) // 2]
    print(f"{when}: the music is {gap:+.0f} ms from the show")
    check(abs(gap) < 30, f"{when}: the music is {gap:+.0f} ms from the show")


def follow(browser, seconds, samples):
    """Samples (wall s, show ms) for `seconds`; the show's position never goes back."""
    started = time.time()
    while time.time() - started < seconds:
        samples.append((time.time(), browser.evaluate("tavrinel.showMs")))
        check(len(samples) < 2 or samples[-1][1] >= samples[-2][1], "the show stepped back")
        time.sleep(0.1)


def rate(samples, what):
    ratio = (samples[-1][1] - samples[0][1]) / 1000 / (samples[-1][0] - samples[0][0])
    print(f"{what}: show clock over wall clock {ratio:.3f}")
    check(0.85 <= ratio <= 1.15, f"{what}: the show clock runs at {ratio:.3f} of the wall clock")


def suspend(browser, server, show):
    playing = "tavrinel.state === 'playing' && tavrinel.showMs > 1500 || null"
    browser.open(server.url("index.html?autoplay=2"))
    check(browser.wait_for(playing, 60), "the show did not start")
    in_step(browser, "before the suspension")
    samples = []
    follow(browser, 0.5, samples)
    browser.evaluate("tavrinel.music.suspend()")
    suspended = len(samples)
    follow(browser, 3, samples)
    check(browser.evaluate("tavrinel.music.state()") == "suspended", "the context still runs")
    rate(samples[suspended:], "suspended")
    browser.evaluate("tavrinel.music.resume()")
    follow(browser, 1, samples)
    in_step(browser, "resumed")
    rate(samples, "across the suspension")

    # A browser that holds the audio until the viewer acts: a click starts the music in step.
    held = chromium.Browser(extra_flags=["--autoplay-policy=document-user-activation-required"])
    try:
        held.open(server.url("index.html?autoplay=2"))
        check(held.wait_for(playing, 60), "the show did not start without a gesture")
        check(held.evaluate("tavrinel.music.state()") != "running", "the audio ran with no gesture")
        samples = []
        follow(held, 2, samples)
        rate(samples, "before the click")
        for kind in ("mousePressed", "mouseReleased"):
            held.call("Input.dispatchMouseEvent", type=kind, x=100, y=100, button="left",
                      clickCount=1)
        follow(held, 1, samples)
        in_step(held, "after the click")
    finally:
        held.close()


def press(browser, key, code, key_code):
    for kind in ("keyDown", "keyUp"):
        browser.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                     windowsVirtualKeyCode=key_code, nativeVirtualKeyCode=key_code,
                     text=key if kind == "keyDown" and len(key) == 1 else "")


CONSOLE = "document.getElementById('console').textContent"
DEFAULT = "Not a valid option, using default...\n"
KEYS = {"Escape": ("Escape", 27), "F5": ("F5", 116), "Backspace": ("Backspace", 8),
        "Enter": ("Enter", 13)}


def type_keys(browser, *keys):
    for key in keys:
        if key in KEYS:
            press(browser, key, *KEYS[key])
        else:
            press(browser, key, ("Digit" if key.isdigit() else "Key") + key.upper(), ord(key.upper()))


def open_menu(browser, server, before_choice=""):
    """The page at its menu, with `before_choice` (script) run on it first."""
    browser.open(server.url("index.html"))
    if before_choice:
        browser.evaluate(before_choice)
    check(browser.wait_for(f"{CONSOLE}.includes('1024*768') || null", 60), "no menu")


def box(browser, timeout=60):
    """The open box's caption, text, icon kind and buttons."""
    check(browser.wait_for("document.getElementById('box').open || null", timeout), "no box")
    return browser.evaluate(
        "['box-caption', 'box-text'].map((id) => document.getElementById(id).textContent)"
        ".concat([document.getElementById('box-icon').className,"
        " [...document.querySelectorAll('#box-buttons button')].map((b) => b.textContent)])")


def answer_box(browser, label):
    browser.evaluate("[...document.querySelectorAll('#box-buttons button')]"
                     f".find((b) => b.textContent === {label!r}).click()")


def ended_unplayed(browser, what):
    check(browser.wait_for("tavrinel.state === 'ended' || null", 60), f"{what}: not ended")
    check(browser.evaluate("tavrinel.frames") == 0, f"{what}: a scene ran")


REFUSE = ("Element.prototype.requestFullscreen ="
          " () => Promise.reject(new TypeError('refused'))")
WINDOW_BOX = ["CREATE WINDOW",
              "The Fullscreen Mode is not supported by your videocard, Try Window Mode ?.",
              "exclamation", ["Yes", "No"]]


def first_screen_menu(browser, server):
    # Keys that are not input never choose; typed keys echo, Backspace edits, the program parses.
    open_menu(browser, server)
    check(browser.evaluate(CONSOLE) == MENU, "the first screen's lines differ")
    type_keys(browser, "Escape", "F5", "x", "Backspace", "0", "3")
    check(browser.evaluate("[tavrinel.state, " + CONSOLE + "]") == ["menu", MENU + "03"],
          "the typed line is not echoed as edited, or a key chose")
    type_keys(browser, "Enter")
    check(browser.wait_for("tavrinel.state === 'playing' || null", 60), "Enter did not start it")
    size = browser.evaluate("[canvas.width, canvas.height]")
    check(size == [800, 600], f"03 gave a {size} canvas")
    press(browser, "Escape", "Escape", 27)
    check(browser.wait_for("tavrinel.state === 'ended' || null", 10), "Escape did not end it")
    check(browser.evaluate("document.getElementById('status').textContent") ==
          "The show has ended.", "the page does not say the show has ended")

    # A number that is no option, with full screen refused: the default line, seen over the
    # stage, the box, and Yes plays in the page.
    open_menu(browser, server, REFUSE)
    type_keys(browser, "5", "2", "Enter")
    check(box(browser) == WINDOW_BOX, f"the box: {box(browser)}")
    answer_box(browser, "Yes")
    check(browser.wait_for("tavrinel.state === 'playing' || null", 60), "Yes did not play")
    seen = browser.evaluate("[canvas.width, canvas.height, !!document.fullscreenElement,"
                            f" {CONSOLE}, document.getElementById('stage-lines').hidden,"
                            " document.getElementById('stage-lines').textContent]")
    check(seen == [640, 480, False, MENU + "52\n" + DEFAULT, False, DEFAULT],
          f"after 52 and Yes: {seen}")

    # No ends it with the stop box, before anything is built.
    open_menu(browser, server, REFUSE)
    browser.evaluate("document.querySelectorAll('#console .choice')[1].click()")
    check(box(browser) == WINDOW_BOX, "no box for the refused full screen")
    answer_box(browser, "No")
    stop = box(browser)
    check(stop == ["BUY A BETTER GRAPHICS CARD!!", "I am killing myself", "stop", ["OK"]],
          f"the stop box: {stop}")
    answer_box(browser, "OK")
    ended_unplayed(browser, "No")

    # Leaving full screen while loading (the browser's Escape) ends it before the first scene:
    # the grant is held back so that the show is still loading when full screen is left.
    open_menu(browser, server, "const grant = Element.prototype.requestFullscreen;"
              "Element.prototype.requestFullscreen = function () { return grant.call(this)"
              ".then(() => new Promise((go) => { window.go = go; })); }")
    type_keys(browser, "4")
    check(browser.wait_for("document.fullscreenElement && window.go && tavrinel.state ==="
                           " 'loading' || null", 30), "not loading in full screen")
    browser.evaluate("document.exitFullscreen()")
    browser.wait_for("!document.fullscreenElement || null", 10)
    browser.evaluate("go()")
    ended_unplayed(browser, "full screen left while loading")

    # No WebGL 2: the window's own failure box, and the page says what the browser lacks.
    open_menu(browser, server, "const get = HTMLCanvasElement.prototype.getContext;"
              "HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {"
              " return kind === 'webgl2' ? null : get.call(this, kind, ...rest); }")
    type_keys(browser, "2")
    error = box(browser)
    check(error == ["ERROR", "Cant Create A GL Rendering Context.", "exclamation", ["OK"]],
          f"the box without WebGL 2: {error}")
    answer_box(browser, "OK")
    ended_unplayed(browser, "no WebGL 2")
    said = browser.evaluate("document.getElementById('status').textContent")
    check("WebGL 2" in said and not browser.evaluate("document.getElementById('first-screen')"
                                                     ".hidden"), f"the page says {said!r}")
    print("first screen: typed lines and keys, Escape while playing and loading, the refused"
          " full screen, no WebGL 2")


def escape_while_loading(browser, show, web, work):
    """Escape (the browser's: leaving full screen) pressed as a slow show loads, right after the
    choice: the show ends after its start-up with no frame."""
    data = os.path.join(work, "slow")
    shutil.copytree(show, data)
    textures = os.path.join(data, "data", "textures")
    for name in os.listdir(textures):
        if name.endswith(".jpg"):
            path = os.path.join(textures, name)
            Image.open(path).convert("RGB").resize((2048, 2048)).save(path, quality=95)
    with package(web, data, os.path.join(work, "slow-web")) as page:
        open_menu(browser, page)
        type_keys(browser, "2")
        check(browser.wait_for("document.fullscreenElement && tavrinel.state === 'loading'"
                               " || null", 30, 0.01), "not loading in full screen")
        # Well into its textures, past the music's decoding (where the page hears keys anyway);
        # nothing is asked of the page meanwhile, since an answer would wait for the loading.
        time.sleep(1.2)
        press(browser, "Escape", "Escape", 27)
        ended_unplayed(browser, "Escape while loading")
    print("first screen: Escape 1.2 s into a slow loading ends it with no frame")


class package:
    """The page's files with `data` as its show, served from `folder` while in use."""

    def __init__(self, web, data, folder):
        os.mkdir(folder)
        for name in ("index.html", "page.js", "page.css", "tavrinel.js", "tavrinel.wasm"):
            shutil.copy(os.path.join(web, name), folder)
        subprocess.run(["/usr/bin/python3", "/usr/share/emscripten/tools/file_packager.py",
                        "show.data", "--preload", f"{data}@/", "--js-output=show-data.js"],
                       cwd=folder, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.server = chromium.Server(folder)

    def __enter__(self):
        return self.server

    def __exit__(self, *failure):
        self.server.close()


def first_screen(browser, server, show, web):
    first_screen_menu(browser, server)

    # A show folder without a texture a model names: the box names it and waits for OK.
    work = tempfile.mkdtemp(prefix="tavrinel-page-")
    try:
        data = os.path.join(work, "show")
        shutil.copytree(show, data)
        os.remove(os.path.join(data, "data", "textures", "tile.jpg"))
        with package(web, data, os.path.join(work, "web")) as other:
            browser.open(other.url("index.html?autoplay=1"))
            texture = box(browser)
            check(texture == ["Failed to load texture:", "data/textures/tile.jpg", "", ["OK"]],
                  f"the box: {texture}")
            check(browser.evaluate("tavrinel.state") == "loading", "the show went on behind it")
            browser.evaluate("document.querySelector('#box-buttons button').click()")
            check(browser.wait_for("tavrinel.state === 'playing' || null", 60),
                  "the show did not go on after OK")
            print("first screen: the missing texture's box")
        escape_while_loading(browser, show, web, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    # Every still is kept in the tab: the page refuses to make more than it can hold.
    for at, size in ((",".join(["0"] * 65), "16x16"), ("0,1,2,3,4", "8192x8192")):
        browser.open(server.url(f"index.html?at={at}&size={size}"))
        check(browser.wait_for("tavrinel.state === 'ended' || null", 60), f"{size}: no refusal")
        said = browser.evaluate("[tavrinel.error, document.getElementById('status').textContent,"
                                " !document.getElementById('first-screen').hidden,"
                                " tavrinel.stills]")
        check(said[0] and "at most 64 stills" in said[0] and said[1] == said[0] and said[2],
              f"{size}: the page says {said[:3]}")
        check(said[3] is None, f"{size}: stills were made")
    print("first screen: too many stills refused")


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    what, web, show = sys.argv[1], sys.argv[2], sys.argv[3]
    opened = chromium.session(web, "tavrinel.wasm")
    if not opened:
        return chromium.SKIP
    server, browser = opened
    try:
        if what == "stills":
            stills(browser, server, show, sys.argv[4])
        elif what == "realtime":
            realtime(browser, server, show)
        elif what == "first-screen":
            first_screen(browser, server, show, web)
        elif what == "suspend":
            suspend(browser, server, show)
        elif what == "studio-folder":
            studio_checks.studio_folder(browser, server, show, sys.argv[4])
        elif what == "studio-seek":
            studio_checks.studio_seek(browser, server, show, sys.argv[4])
        elif what == "studio-edit":
            studio_checks.studio_edit(browser, web, show, sys.argv[4])
        else:
            print(__doc__)
            return 2
        return 0
    except Failed as failure:
        print("FAILED:", failure)
        browser.print_console()
        return 1
    finally:
        browser.close()
        server.close()


if __name__ == "__main__":
    sys.exit(main())
