"""Headless Chromium over the DevTools protocol, for the browser build's tests.

A static folder is served on 127.0.0.1; a page of it is opened in headless Chromium with WebGL 2
on SwiftShader and audio allowed to start without a gesture; the page's console is collected and
JavaScript can be evaluated in it. Debian's chromium and python3-websocket are all it needs.
"""

import functools
import http.server
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket

SKIP = 77  # what ctest takes as a skipped test


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".data": "application/octet-stream"}

    def log_message(self, *args):
        pass


class Server:
    """Serves `folder` on 127.0.0.1 on a free port until closed."""

    def __init__(self, folder):
        handler = functools.partial(_QuietHandler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.port = self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def url(self, page):
        return f"http://127.0.0.1:{self.port}/{page}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with one page, driven over its DevTools socket."""

    def __init__(self, width=1024, height=768, extra_flags=()):
        binary = find_chromium()
        if not binary:
            raise FileNotFoundError("chromium")
        self.profile = tempfile.mkdtemp(prefix="tavrinel-chromium-")
        flags = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader",
                 "--enable-unsafe-swiftshader", "--autoplay-policy=no-user-gesture-required",
                 "--no-first-run", "--no-default-browser-check", "--mute-audio",
                 f"--window-size={width},{height}", "--remote-debugging-port=0",
                 f"--user-data-dir={self.profile}", *extra_flags, "about:blank"]
        self.process = subprocess.Popen([binary, *flags], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, text=True)
        address = None
        deadline = time.time() + 30
        for line in self.process.stderr:
            found = re.search(r"DevTools listening on (ws://\S+)", line)
            if found:
                address = found.group(1)
                break
            if time.time() > deadline:
                break
        if not address:
            self.close()
            raise RuntimeError("chromium did not open its DevTools port")
        threading.Thread(target=self._drain, daemon=True).start()
        port = re.search(r":(\d+)/", address).group(1)
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list"))
        page = next(t for t in targets if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=600)
        self.next_id = 0
        self.console = []  # (level, text) in order
        self.exceptions = []
        self.dialogs = []  # the kinds of the page's dialogs, as they open
        self.call("Runtime.enable")
        self.call("Page.enable")

    def _drain(self):
        for _ in self.process.stderr:
            pass

    def _note(self, message):
        method = message.get("method")
        if method == "Runtime.consoleAPICalled":
            params = message["params"]
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append((params["type"], text))
        elif method == "Page.javascriptDialogOpening":
            self.dialogs.append(message["params"]["type"])
        elif method == "Runtime.exceptionThrown":
            details = message["params"]["exceptionDetails"]
            self.exceptions.append(details.get("exception", {}).get("description", details["text"]))

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            self._note(message)
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def open(self, url, timeout=60):
        """Navigates to `url` and returns once its scripts have run."""
        self.call("Page.navigate", url=url)
        check = f"document.readyState === 'complete' && location.href === {json.dumps(url)} || null"
        if self.wait_for(check, timeout) is None:
            raise RuntimeError(f"{url} did not load within {timeout} s")

    def wait_for(self, expression, timeout, poll=0.1):
        """Polls `expression` until it gives something other than null or undefined."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = self.evaluate(expression)
            if value is not None:
                return value
            time.sleep(poll)
        return None

    def print_console(self, stream=None):
        for level, text in self.console:
            print(f"[{level}] {text}", file=stream)

    def close(self):
        try:
            self.socket.close()
        except Exception:
            pass
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def session(folder, needs, width=1024, height=768, extra_flags=()):
    """A served folder and a browser, or None (after saying why) when the folder lacks the file
    `needs` or there is no chromium."""
    if not os.path.exists(os.path.join(folder, needs)):
        print(f"no {needs} in {folder} (scripts/build-web makes it)")
        return None
    if not find_chromium():
        print("no chromium to run the browser tests (scripts/install-deps web installs it)")
        return None
    server = Server(folder)
    try:
        browser = Browser(width, height, extra_flags)
    except Exception:
        server.close()
        raise
    return server, browser
