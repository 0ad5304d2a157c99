"""A headless Chromium driven over the DevTools protocol (python3-websocket): pages opened,
scripts evaluated, keys and the mouse sent as a user's, the canvas read back exactly. Every
wait is bounded. The web tests and bench/web_bench.py use it; ./run --web without a display
runs it as
    python3 tools/chromium.py snapshot BUILD_DIR PAGE OUT.png
which serves BUILD_DIR with the isolation headers and saves PAGE's canvas after 2 s."""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time
import sys
import urllib.request

try:
    import websocket
except ImportError:  # a Python of its own (pyenv, a venv): Debian's python3-websocket
    sys.path.append("/usr/lib/python3/dist-packages")
    import websocket


class BrowserError(Exception):
    pass


def wait_for(what, probe, timeout_s, step_s=0.02):
    """probe()'s first true value, or BrowserError once timeout_s has passed."""
    end = time.monotonic() + timeout_s
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise BrowserError(f"timed out after {timeout_s} s waiting for {what}")
        time.sleep(step_s)


class Chromium:
    def __init__(self, executable="chromium", width=1024, height=768):
        self.profile = tempfile.mkdtemp(prefix="pictavon-chromium-")
        self.process = subprocess.Popen(
            [executable, "--headless=new", "--no-sandbox", "--no-first-run", "--no-default-browser-check",
             "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
             "--disable-backgrounding-occluded-windows", "--remote-debugging-port=0",
             f"--user-data-dir={self.profile}", f"--window-size={width},{height}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.next_id = 0
        try:
            port_file = os.path.join(self.profile, "DevToolsActivePort")
            wait_for("Chromium's DevTools port", lambda: os.path.exists(port_file) and open(port_file).read().strip(), 30)
            port = open(port_file).read().split()[0]
            targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10))
            page = next(t for t in targets if t["type"] == "page")
            self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30, suppress_origin=True)
        except Exception:
            self.close()
            raise

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:  # events that come before the answer are not needed
            answer = json.loads(self.socket.recv())
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise BrowserError(f"{method}: {answer['error'].get('message')}")
                return answer.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise BrowserError(f"{expression[:60]}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def open(self, url, timeout_s=20):
        self.call("Page.navigate", url=url)
        wait_for(f"{url} to load", lambda: self.evaluate("document.readyState") == "complete"
                 and self.evaluate("location.href") == url, timeout_s)

    # ---- The page's program --------------------------------------------------------------

    def canvas_rgb(self):
        """The canvas's 240 x 160 pixels as RGB bytes, top row first (a capture's layout)."""
        data = self.evaluate("""(() => { const d = document.getElementById('pictavon').getContext('2d')
            .getImageData(0, 0, 240, 160).data; let s = '';
            for (let i = 0; i < d.length; i += 4) s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
            return btoa(s); })()""")
        return base64.b64decode(data)

    def canvas_png(self):
        url = self.evaluate("document.getElementById('pictavon').toDataURL('image/png')")
        return base64.b64decode(url.split(",", 1)[1])

    def first_picture(self, timeout_s=10):
        """Waits for the first picture drawn; the milliseconds from the navigation to it."""
        return wait_for("the first picture", lambda: self.evaluate(
            "window.pictavon && pictavon.shown && pictavon.shown.length ? pictavon.shown[0][1] : 0"), timeout_s)

    def exit_code(self):
        return self.evaluate("window.pictavon ? pictavon.exitCode : undefined")

    def title(self):
        return self.evaluate("document.title")

    # ---- Input, as the browser gets it from a user -----------------------------------------

    def key(self, kind, code, key, vk, text=None):
        params = {"type": kind, "code": code, "key": key, "windowsVirtualKeyCode": vk}
        if text is not None:
            params["text"] = text
        self.call("Input.dispatchKeyEvent", **params)

    def tap(self, code, key, vk, text=None):
        self.key("keyDown" if text else "rawKeyDown", code, key, vk, text)
        self.key("keyUp", code, key, vk)

    def type_text(self, text):
        for c in text:
            self.key("keyDown", "", c, 0, c)
            self.key("keyUp", "", c, 0)

    def mouse(self, kind, x, y, button="none", buttons=0):
        """At pixel (x, y) of the canvas (window row y shows surface row y - 1), whatever its enlargement."""
        left, top, scale = self.evaluate("""(() => { const r = document.getElementById('pictavon')
            .getBoundingClientRect(); return [r.left, r.top, r.width / 240]; })()""")
        self.call("Input.dispatchMouseEvent", type=kind, x=left + (x + 0.5) * scale, y=top + (y + 0.5) * scale,
                  button=button, buttons=buttons, clickCount=1 if kind != "mouseMoved" else 0)

    def wheel(self, notches, x=120, y=80):
        """Positive: away from the user, one event a notch."""
        left, top, scale = self.evaluate("""(() => { const r = document.getElementById('pictavon')
            .getBoundingClientRect(); return [r.left, r.top, r.width / 240]; })()""")
        for _ in range(abs(notches)):
            self.call("Input.dispatchMouseEvent", type="mouseWheel", x=left + (x + 0.5) * scale,
                      y=top + (y + 0.5) * scale, deltaX=0, deltaY=-100 if notches > 0 else 100)

    def click(self, x, y):
        self.mouse("mousePressed", x, y, "left", 1)
        self.mouse("mouseReleased", x, y, "left", 0)

    def close(self):
        if getattr(self, "socket", None) is not None:
            try:
                self.call("Browser.close")
            except Exception:
                pass
            self.socket.close()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def snapshot(build, page, out):
    import threading
    import serve_web
    server = serve_web.make_server(build)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    with Chromium() as browser:
        browser.open(f"http://127.0.0.1:{server.server_port}/{page}")
        time.sleep(2)
        message = browser.evaluate("pictavon.message")
        if message:
            sys.exit(f"the page says: {message}")
        os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
        with open(out, "wb") as f:
            f.write(browser.canvas_png())


if __name__ == "__main__":
    if len(sys.argv) != 5 or sys.argv[1] != "snapshot":
        sys.exit("usage: chromium.py snapshot BUILD_DIR PAGE OUT.png")
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    snapshot(*sys.argv[2:])
