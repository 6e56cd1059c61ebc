#!/usr/bin/python3
"""The browser's GL layer: the desktop pixel tests and the fixed-function checks, in Chromium.

Usage: gl_layer_test.py BUILD_WEB_DIR (the folder holding tests/web/gl_pixel_tests.html).
Exit status 0 when every test passes, 77 when there is no browser build or no chromium.
"""

import os
import sys

import chromium


def main():
    opened = chromium.session(os.path.join(sys.argv[1], "tests", "web"), "gl_pixel_tests.js")
    if not opened:
        return chromium.SKIP
    server, browser = opened
    try:
        browser.open(server.url("gl_pixel_tests.html"))
        status = browser.wait_for("window.testExit", timeout=240)
        browser.print_console()
        for exception in browser.exceptions:
            print("page exception:", exception)
        if status is None:
            print("the tests did not finish within 240 s")
            return 1
        return 0 if status == 0 and not browser.exceptions else 1
    finally:
        browser.close()
        server.close()


if __name__ == "__main__":
    sys.exit(main())
