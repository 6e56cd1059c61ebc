#!/usr/bin/python3
"""The studio in the page (index.html?studio), in headless Chromium: the gzipped size of its own
scripts and style; from a show folder dropped on the page, or given to the folder input, to the
show's menu (the folder read, copied and checked); from a click on the timeline to the picture of
that time on screen, at 640x480, first while the timeline has snapshots only as far as it has played ("cold"), then
once the paused studio has played ahead to the end ("warm"); and from an edit to the show
re-made from the edited table, at several times.

Usage: bench/web_studio.py [--runs N] [--show DIR] [WEB_DIR]
       (default 5 runs, build/show, build/web made by scripts/build-web)
"""

import argparse
import gzip
import os
import statistics
import sys
import time

TESTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests")
sys.path[:0] = [os.path.join(TESTS, "web"), os.path.join(TESTS, "support")]
import chromium  # noqa: E402
import studio_checks  # noqa: E402

STUDIO_FILES = ("studio.js", "studio_folder.js", "studio_table.js", "studio_timeline.js",
                "studio.css")
MENU = "document.getElementById('console').textContent.includes('1024*768') || null"


def give_folder(browser, server, show, drop=False):
    # Opened again at the same address, the last run's page would pass for the new one.
    browser.open("about:blank")
    browser.open(server.url("index.html?studio"))
    browser.wait_for("tavrinel.state === 'folder' && window.tavrinelFolder || null", 60)
    # The runtime ready too, so that the figure is the folder's alone.
    browser.wait_for("Module.calledRun === true || null", 60)
    if drop:
        x, y = browser.evaluate("(() => { const r = document.getElementById('drop-zone')"
                                ".getBoundingClientRect(); return [r.left + r.width / 2,"
                                " r.top + r.height / 2]; })()")
        data = {"items": [], "files": [show], "dragOperationsMask": 1}
        for kind in ("dragEnter", "dragOver", "drop"):
            browser.call("Input.dispatchDragEvent", type=kind, x=x, y=y, data=data)
    else:
        document = browser.call("DOM.getDocument")
        node = browser.call("DOM.querySelector", nodeId=document["root"]["nodeId"],
                            selector="#folder-input")
        browser.call("DOM.setFileInputFiles", nodeId=node["nodeId"], files=[show])
    if browser.wait_for(MENU, 60) is None:
        raise RuntimeError("no menu after the folder")
    return browser.evaluate("tavrinel.studio.figures.folderToMenuMs")


def click_at(browser, ms):
    browser.evaluate("delete tavrinel.studio.figures.seekMs")
    studio_checks.click_timeline(browser, ms)
    return browser.wait_for("tavrinel.studio.figures.seekMs", 30)


def summary(values):
    return (f"median {statistics.median(values):.0f} ms, worst {max(values):.0f} ms "
            f"({', '.join(f'{v:.0f}' for v in values)})")


def main():
    # The browser reads a folder given by a path with ".." in it as files it may not read.
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("web", nargs="?", default=os.path.join(root, "build", "web"))
    parser.add_argument("--show", default=os.path.join(root, "build", "show"))
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    options.show = os.path.abspath(options.show)
    size = 0
    for name in STUDIO_FILES:
        with open(os.path.join(options.web, name), "rb") as f:
            size += len(gzip.compress(f.read(), 9))
    print(f"the studio's scripts and style, gzipped (-9): {size / 1024:.1f} KB")
    opened = chromium.session(options.web, "tavrinel.wasm")
    if not opened:
        return 1
    server, browser = opened
    try:
        drops = [give_folder(browser, server, options.show, True) for _ in range(options.runs)]
        print(f"folder dropped to menu (goal: under 2000 ms): {summary(drops)}")
        menus = [give_folder(browser, server, options.show) for _ in range(options.runs)]
        print(f"folder input to menu (goal: under 2000 ms): {summary(menus)}")

        browser.evaluate("document.querySelectorAll('#console .choice')[1].click()")
        browser.wait_for("tavrinel.state === 'studio' && tavrinel.time > 300 || null", 60)
        browser.evaluate("document.getElementById('play').click()")
        times = [40000, 95000, 150000, 190000, 20000, 120000, 60000, 170000]
        cold = [click_at(browser, ms) for ms in times]
        print(f"seek by click at 640x480, cold (goal: under 250 ms): {summary(cold)}")
        time.sleep(15)  # the paused studio plays ahead to the end meanwhile
        warm = [click_at(browser, ms) for ms in times]
        print(f"seek by click at 640x480, warm (goal: under 250 ms): {summary(warm)}")

        edits = []
        for ms in (20000, 100000, 180000) * 2:
            click_at(browser, ms)
            time.sleep(2)
            browser.evaluate(f"delete tavrinel.studio.figures.editMs; tavrinel.studio.add({ms}, 8)")
            edits.append(browser.wait_for("tavrinel.studio.figures.editMs", 30))
        print(f"edit to the show re-made, at 20, 100, 180 s, twice (goal: under 250 ms): "
              f"{summary(edits)}")
    finally:
        browser.close()
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
