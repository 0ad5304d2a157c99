"""The pages in a real headless Chromium: the end-to-end suite's own checks (the demo against
frame_tool's pictures, hello, the keys viewer with its cursor and end-of-run prompt, the ball,
paint) run on WebSession, which gives them the page as harness.Session gives them a window;
then the page's own checks: quick taps, typed text, and a page served without isolation.
usage: web_test.py --build BUILD_WEB --native BUILD [--checks a,b] [--assets DIR]"""
import argparse
import importlib.util
import os
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path[:0] = [os.path.join(ROOT, "tools"), os.path.join(ROOT, "tests", "e2e")]

import harness  # noqa: E402
from chromium import BrowserError, Chromium, wait_for  # noqa: E402
from harness import Failure  # noqa: E402

import serve_web  # noqa: E402

# X key names the e2e checks use, as the browser's (code, key, virtual-key code, text).
KEYS = {
    "Left": ("ArrowLeft", "ArrowLeft", 37, None), "Right": ("ArrowRight", "ArrowRight", 39, None),
    "Up": ("ArrowUp", "ArrowUp", 38, None), "Down": ("ArrowDown", "ArrowDown", 40, None),
    "Escape": ("Escape", "Escape", 27, None), "Shift_L": ("ShiftLeft", "Shift", 16, None),
    "space": ("Space", " ", 32, " "), "Return": ("Enter", "Enter", 13, "\r"),
}
for c in "abcdefghijklmnopqrstuvwxyz":
    KEYS[c] = (f"Key{c.upper()}", c, ord(c.upper()), c)
for c in "0123456789":
    KEYS[c] = (f"Digit{c}", c, ord(c), c)
BUTTONS = {1: ("left", 1), 2: ("middle", 4), 3: ("right", 2)}


class WebSession:
    """harness.Session's face for a page: the program is the page at URL, the window the
    page, a capture the canvas read back, the exit code what the page's runtime reports."""
    browser = None  # set once per run: one Chromium serves every check
    base_url = None
    query = ""

    def __init__(self, command, cwd=None, xwin=None, **_):
        self.page = command[0]
        self.buttons = 0

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.browser.open("about:blank")  # the run ends with the page
        return False

    def start(self):
        self.browser.open(self.base_url + self.page + self.query)
        zoom = dict(p.split("=") for p in self.query.lstrip("?").split("&") if "=" in p).get("zoom", "1")
        width, fits = self.browser.evaluate("""[document.getElementById('pictavon').getBoundingClientRect().width,
            Math.max(1, Math.min(8, Math.floor(Math.min(innerWidth / 240, innerHeight / 160))))]""")
        if width != 240 * (fits if zoom == "auto" else int(zoom)):
            raise Failure(f"the canvas is {width} pixels wide at zoom {zoom}")

    def output(self):
        return "\n".join(self.browser.evaluate("pictavon.output || []") or [])

    def check_running(self):
        if self.browser.exit_code() is not None:
            raise Failure(f"the program ended early with code {self.browser.exit_code()}")
        message = self.browser.evaluate("pictavon.message")
        if message:
            raise Failure(f"the page says: {message}")

    def wait_exit(self, timeout_s):
        try:
            return wait_for("the program's exit", lambda: self.browser.exit_code() is not None, timeout_s) and \
                self.browser.exit_code()
        except BrowserError as e:
            raise Failure(str(e))

    def find_window(self, title, timeout_s=10):
        try:
            wait_for(f"a page titled {title!r}", lambda: self.browser.title() == title, timeout_s)
        except BrowserError as e:
            raise Failure(str(e))
        return "page"

    def title(self, _window):
        return self.browser.title()

    def grab(self, _window):
        return (240, 160, self.browser.canvas_rgb())

    def keydown(self, _window, key):
        code, name, vk, text = KEYS[key]
        self.browser.key("keyDown" if text else "rawKeyDown", code, name, vk, text)

    def keyup(self, _window, key):
        code, name, vk, _ = KEYS[key]
        self.browser.key("keyUp", code, name, vk)

    def key(self, window, key):
        self.keydown(window, key)
        self.keyup(window, key)

    def type_text(self, _window, text):
        for c in text:
            if c in KEYS:
                self.key(_window, c)
            else:
                self.browser.type_text(c)

    def mousedown(self, _window, button, x=120, y=80):
        name, bit = BUTTONS[button]
        self.browser.mouse("mouseMoved", x, y, buttons=self.buttons)  # as xdotool moves, then presses
        self.buttons |= bit
        self.browser.mouse("mousePressed", x, y, name, self.buttons)

    def mouseup(self, _window, button, x=120, y=80):
        name, bit = BUTTONS[button]
        self.browser.mouse("mouseMoved", x, y, buttons=self.buttons)
        self.buttons &= ~bit
        self.browser.mouse("mouseReleased", x, y, name, self.buttons)

    def wheel(self, _window, notches):
        self.browser.wheel(notches)

    def xdotool(self, window, *actions):
        """The few xdotool actions the e2e checks use: mousemove --window W X Y, click N."""
        actions = list(actions)
        while actions:
            if actions[0] == "mousemove":
                x, y = int(actions[3]), int(actions[4])
                self.browser.mouse("mouseMoved", x, y, buttons=self.buttons)
                self.at, actions = (x, y), actions[5:]
            elif actions[0] == "click":
                self.mousedown(window, int(actions[1]), *self.at)
                self.mouseup(window, int(actions[1]), *self.at)
                actions = actions[2:]
            else:
                raise Failure(f"xdotool {actions[0]} has no web counterpart here")

    def close(self, _window):
        """What closing the tab does: the page's pagehide reaches the program as a close."""
        self.browser.evaluate("dispatchEvent(new Event('pagehide')), 1")

    def close_and_expect_exit_0(self, window, timeout_s):
        self.close(window)
        code = self.wait_exit(max(timeout_s, 2))
        if code != 0:
            raise Failure(f"exit code {code} after closing the page")

    def key_closes_with_exit_0(self, window, key, timeout_s):
        self.keydown(window, key)
        code = self.wait_exit(max(timeout_s, 2))
        if code != 0:
            raise Failure(f"exit code {code} after the closing key")


def e2e_check(module, name, page, query="", **extra):
    """One check of the e2e suite's module, on the page (at the address's query, if any)."""
    def check(options):
        WebSession.query = query or options.query
        spec = importlib.util.spec_from_file_location(module, os.path.join(ROOT, "tests", "e2e", module + ".py"))
        checks = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(checks)
        checks.Session = WebSession
        options.command = [page]
        for key, value in extra.items():
            setattr(options, key, value)
        getattr(checks, name)(options)
    check.__name__ = f"{module}.{name}{query}"
    return check


def quick_taps_and_typed_text(options):
    """30 taps as fast as the browser takes them, each counted once by take_press; "Été"
    typed reaches take_char as Windows-1252."""
    with WebSession(["tests/web/pictavon_web_test_host.html"]) as s:
        s.start()
        window = s.find_window(harness.WINDOW_TITLE, options.start_timeout)
        for _ in range(30):
            s.key(window, "a")
        s.type_text(window, "Été")
        time.sleep(0.3)  # the routine takes its input every 20 ms
        s.close_and_expect_exit_0(window, options.exit_timeout)
        report = dict(line.split(":", 1) for line in s.output().splitlines() if ":" in line)
        presses = dict(p.split(":") for p in report.get("presses", "").split())
        if presses.get("41") != "30":
            raise Failure(f"take_press counted {presses.get('41')} presses of A, not 30")
        if not report.get("taken", "").strip().endswith("c9 74 e9"):
            raise Failure(f"take_char took {report.get('taken')!r}, not ... c9 74 e9 (Été in Windows-1252)")


def cursor_blinks_every_500_ms(options):
    """The viewer never presents: the page shows the host's refresh, and the cursor under
    (0, 8) changes phase every 500 ms."""
    with WebSession(["examples/keys/keys.html"]) as s:
        s.start()
        s.find_window(harness.WINDOW_TITLE, options.start_timeout)
        s.browser.first_picture()
        changes = s.browser.evaluate("""new Promise(done => {
            const c = document.getElementById('pictavon').getContext('2d'), seen = [];
            let last = null; const end = performance.now() + 2300;
            (function look(t) {
                const v = c.getImageData(0, 9, 1, 1).data[0];
                if (last !== null && v !== last) seen.push(t);
                last = v;
                if (t < end) requestAnimationFrame(look); else done(seen);
            })(performance.now()); })""")
        gaps = [b - a for a, b in zip(changes, changes[1:])]
        if len(gaps) < 3 or any(abs(g - 500) > 40 for g in gaps):
            raise Failure(f"the cursor changed phase at intervals {[round(g) for g in gaps]} ms, not every 500 ms")
        print(f"        phase changes {[round(g) for g in gaps]} ms apart")


def page_without_isolation_says_so(options):
    """Served without the two headers, the page shows why it cannot start, not a blank canvas."""
    server = serve_web.make_server(options.build, isolation=False)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        browser = WebSession.browser
        browser.open(f"http://127.0.0.1:{server.server_port}/pictavon.html")
        message = wait_for("the page's message", lambda: browser.evaluate("pictavon.message"), 5)
        if "cross-origin isolated" not in message or "Cross-Origin-Embedder-Policy" not in message:
            raise Failure(f"the page's message does not say what is missing: {message!r}")
        if browser.evaluate("getComputedStyle(document.getElementById('pictavon')).display") != "none":
            raise Failure("the blank canvas is still shown beside the message")
    finally:
        server.shutdown()
        server.server_close()


def served_page_shows(folder, page, isolation, timeout_s=10):
    """Serves folder (with or without the two headers), opens page there: the first picture
    shown, or the page's message as a Failure."""
    server = serve_web.make_server(folder, isolation=isolation)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        browser = WebSession.browser
        browser.call("Page.navigate", url=f"http://127.0.0.1:{server.server_port}/{page}")
        wait_for("the first picture or a message", lambda: browser.evaluate(
            "window.pictavon && (pictavon.message || (pictavon.shown && pictavon.shown.length)) || 0"), timeout_s)
        if browser.evaluate("pictavon.message"):
            raise Failure(f"{page} says: {browser.evaluate('pictavon.message')}")
    finally:
        browser.open("about:blank")
        server.shutdown()
        server.server_close()


def unpacked(options, name, folder):
    import zipfile
    target = os.path.join(options.work, name)
    zipfile.ZipFile(os.path.join(options.packages, f"{name}.zip")).extractall(options.work)
    return os.path.join(target, folder) if folder else target


def web_zip_needs_no_headers(options):
    """The demo's web zip served by a host that sets no headers: its service worker isolates
    the page, which then runs."""
    served_page_shows(unpacked(options, f"pictavon-{options.version}-web", ""), "index.html", isolation=False)


def starter_builds(options, how, pictavon):
    """examples/standalone, configured by emcmake with Pictavon found as `how` says, runs."""
    import subprocess
    build = os.path.join(options.work, f"standalone-{how}")
    for command in (["emcmake", "cmake", "-S", os.path.join(ROOT, "examples", "standalone"), "-B", build,
                     "-G", "Ninja", pictavon, "-DCMAKE_BUILD_TYPE=Release"],
                    ["cmake", "--build", build]):
        result = subprocess.run(command, capture_output=True, text=True, timeout=300)
        if result.returncode != 0:
            raise Failure(f"{how}: {' '.join(command[:2])} failed: {(result.stdout + result.stderr)[-600:]}")
    served_page_shows(build, "standalone.html", isolation=True)


def starter_builds_from_the_web_kit(options):
    # As a subproject (-DPICTAVON_SOURCE_DIR) it builds the whole runtime again: a minute
    # and a half more, for what the in-tree build already compiles.
    kit = unpacked(options, f"pictavon-sdk-{options.version}-web", "")
    starter_builds(options, "kit", f"-DCMAKE_FIND_ROOT_PATH={kit}")


def checks(options):
    native, assets = options.native, options.assets
    demo = dict(cwd=assets, frame_tool=os.path.join(native, "tools", "frame_tool"))
    return [
        *(e2e_check("e2e_demo", c, "pictavon.html", **demo) for c in (
            "first_view_and_close", "turn_right", "turn_left", "forward", "backward", "step_left", "step_right",
            "lower_to_the_floor", "raise_to_the_ceiling")),
        *(e2e_check("e2e_hello", "hello_runs_as_printed", "examples/hello/hello.html", query)
          for query in ("", "?zoom=auto")),
        e2e_check("e2e_keys", "viewer_and_end_of_run", "examples/keys/keys.html"),
        e2e_check("e2e_ball", "bouncing_ball", "examples/ball/ball.html", cwd=assets,
                  frame_tool=os.path.join(native, "examples", "ball", "ball_frames")),
        *(e2e_check("e2e_paint", "painting_with_the_pointer", "examples/paint/paint.html", query,
                    frame_tool=os.path.join(native, "examples", "paint", "paint_status")) for query in ("", "?zoom=3")),
        quick_taps_and_typed_text, cursor_blinks_every_500_ms, page_without_isolation_says_so,
        *((web_zip_needs_no_headers, starter_builds_from_the_web_kit) if options.packages else ()),
    ]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the emcmake build folder (build-web)")
    parser.add_argument("--native", required=True, help="the Linux build, for frame_tool and its kin")
    parser.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    parser.add_argument("--query", default="", help="added to every page's address (?rest=0, ?zoom=3)")
    parser.add_argument("--checks", help="only these, comma-separated")
    parser.add_argument("--packages", help="where tools/package-web.sh left the web zip and the web kit")
    options = parser.parse_args()
    options.start_timeout, options.exit_timeout, options.xwin, options.cwd = 10, 2, None, None
    selected = checks(options)
    if options.checks:
        selected = [c for c in selected if c.__name__ in options.checks.split(",")]
    import tempfile
    options.work = tempfile.mkdtemp(prefix="pictavon-web-")
    cache = open(os.path.join(options.build, "CMakeCache.txt")).read()
    options.version = cache.split("CMAKE_PROJECT_VERSION:STATIC=", 1)[1].split()[0]
    server = serve_web.make_server(options.build)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    WebSession.base_url, WebSession.query = f"http://127.0.0.1:{server.server_port}/", options.query
    failed = 0
    with Chromium() as browser:
        WebSession.browser = browser
        for check in selected:
            start = time.monotonic()
            try:
                check(options)
                print(f"ok      {check.__name__} ({time.monotonic() - start:.2f} s)", flush=True)
            except (Failure, BrowserError) as failure:
                failed += 1
                print(f"FAILED  {check.__name__}: {failure}", flush=True)
    print(f"{len(selected) - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
