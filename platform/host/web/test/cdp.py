"""Headless Chromium driven over the DevTools protocol on --remote-debugging-pipe, with the
standard library only, and a local HTTP server for the page's folder."""

import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time


class Server:
    """Serves `folder` on 127.0.0.1 at a free port, from a thread, until close()."""

    def __init__(self, folder):
        handler = functools.partial(Quiet, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".wasm": "application/wasm", ".js": "text/javascript"})

    def log_message(self, *args):
        pass


class Browser:
    """One headless Chromium with one page. Every wait has a deadline; none sleeps blindly."""

    def __init__(self, extra_flags=()):
        self.profile = tempfile.mkdtemp(prefix="orvel-chromium-")
        to_child_r, self.to_child = os.pipe()
        self.from_child, from_child_w = os.pipe()

        def give_pipes():
            os.dup2(to_child_r, 3)
            os.dup2(from_child_w, 4)

        flags = ["--headless=new", "--remote-debugging-pipe", "--no-sandbox",
                 "--no-first-run", "--no-default-browser-check", "--disable-gpu",
                 "--user-data-dir=" + self.profile, "--autoplay-policy=no-user-gesture-required",
                 "--window-size=1200,1000", "--force-device-scale-factor=1"]
        self.process = subprocess.Popen(["chromium"] + flags + list(extra_flags) + ["about:blank"],
                                        preexec_fn=give_pipes, close_fds=False,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_child_r)
        os.close(from_child_w)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]
        self.call("Page.enable", session=True)
        self.call("Runtime.enable", session=True)

    def close(self):
        try:
            self.call("Browser.close")
        except (OSError, RuntimeError):
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_child)
        os.close(self.from_child)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise RuntimeError("Chromium did not answer in time")
            chunk = os.read(self.from_child, 1 << 20)
            if not chunk:
                raise RuntimeError("Chromium ended")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, session=False, timeout=60):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        os.write(self.to_child, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            self.events.append(answer)

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression in the page (promises are awaited)."""
        result = self.call("Runtime.evaluate",
                           {"expression": expression, "awaitPromise": True,
                            "returnByValue": True}, session=True, timeout=timeout)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, what, timeout=60):
        """Waits until the expression is true in the page, checking every 20 ms."""
        script = """new Promise(function(done) {
            var end = performance.now() + %d;
            (function look() {
              var value; try { value = (%s); } catch (e) { value = false; }
              if (value || performance.now() > end) done(!!value); else setTimeout(look, 20);
            })();
        })""" % (timeout * 1000, expression)
        if not self.evaluate(script, timeout=timeout + 30):
            log = self.evaluate("(window.orvelLog || []).join('\\n')")
            raise AssertionError("timed out waiting for %s; the page said:\n%s" % (what, log))

    def open(self, url):
        self.call("Page.navigate", {"url": url}, session=True)

    def key(self, code, key):
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent",
                      {"type": kind, "windowsVirtualKeyCode": code, "key": key, "code": key},
                      session=True)

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent",
                      {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1},
                      session=True)

    def screenshot(self, path, clip):
        import base64
        data = self.call("Page.captureScreenshot", {"format": "png", "clip": clip},
                         session=True)["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))
