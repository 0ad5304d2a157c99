"""End-to-end harness: a virtual X server, one program under test, and the X clients that
look at its window and drive it. The SDL build's tests and the Windows build's under Wine
use it alike; they differ only in the command they start.

Every wait is bounded: a program that hangs is killed (SIGKILL: SDL turns SIGTERM into a
close request) and the test fails saying what it waited for.

    python3 harness.py xvfb [--timeout S] [--screen 1280x1024x24] -- COMMAND...
        runs COMMAND with DISPLAY set to a fresh Xvfb, and ends with its exit code
    python3 harness.py snapshot --out FILE.png [--after-ms MS] [--cwd DIR] -- COMMAND...
        starts COMMAND on a fresh Xvfb, saves what its window shows after MS, closes it
"""
import os
import select
import struct
import shutil
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def read_window_title():
    """The host window's title, from the header the host and xprobe take it from."""
    with open(os.path.join(ROOT, "host", "window_title.h"), encoding="ascii") as header:
        for line in header:
            if line.startswith("#define PICTAVON_WINDOW_TITLE "):
                return line.split('"')[1]
    raise RuntimeError("host/window_title.h defines no PICTAVON_WINDOW_TITLE")


WINDOW_TITLE = read_window_title()
# The zoom the checks run at (--zoom): the program is started with it, and the harness's
# captures are brought back to 240 x 160 when they are its exact enlargement.
ZOOM = 1
SMALL_SCREEN, LARGE_SCREEN = "640x480x24", "1280x1024x24"  # zoom 3 needs room for 720 x 480


class Failure(Exception):
    pass


def wait_until(what, predicate, timeout_s, step_s=0.01):
    """Polls predicate until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout_s
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout_s} s waiting for {what}")
        time.sleep(step_s)


def start_xvfb(timeout_s=30, screen=SMALL_SCREEN):
    """A fresh Xvfb on a free display number; returns (process, ':N')."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen,
                             "-nolisten", "tcp", "-noreset"],
                            pass_fds=[write_fd], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    deadline = time.monotonic() + timeout_s
    while not number.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([read_fd], [], [], left)[0]:
            proc.kill()
            raise Failure("Xvfb did not start")
        chunk = os.read(read_fd, 16)
        if not chunk:
            raise Failure("Xvfb ended at start-up")
        number += chunk
    os.close(read_fd)
    return proc, ":" + number.decode().strip()


def stop_xvfb(xvfb):
    """Lets Xvfb remove its lock file and socket; kills it if it does not go."""
    if xvfb is None or xvfb.poll() is not None:
        return
    xvfb.terminate()
    try:
        xvfb.wait(timeout=5)
    except subprocess.TimeoutExpired:
        xvfb.kill()
        xvfb.wait()


# The ISO key next to the left Shift (<LSGT>, "< >" on a US key map); no test presses it.
ISO_KEY = 94


def put_on_iso_key(display, symbols):
    """Gives keycode 94 these key symbols before the program starts. xdotool types a
    character that no key carries by rebinding a spare keycode for the moment of the
    press, and a program that reads the key map again only later (Wine always, SDL under
    load) then loses the character or takes the key-up for another key."""
    import ctypes
    import ctypes.util
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise Failure(f"cannot open the display {display}")
    keysyms = (ctypes.c_ulong * len(symbols))(*(x11.XStringToKeysym(s.encode()) for s in symbols))
    x11.XChangeKeyboardMapping(connection, ISO_KEY, len(symbols), keysyms, 1)
    x11.XSync(connection, 0)
    x11.XCloseDisplay(connection)


def build_xwin(work_dir):
    """Compiles the small Xlib helper where no build made it (the Windows build's tests)."""
    out = os.path.join(work_dir, "xwin")
    # As tests/e2e/xwin.cmake builds it.
    sources = [os.path.join(HERE, "xwin.c"), os.path.join(HERE, "xwindow.c")]
    subprocess.run(["cc", "-O2", "-I", ROOT, "-o", out, *sources, "-lX11"], check=True)
    return out


class Session:
    """One Xvfb and one program on it. Use as a context manager: leaving it kills whatever
    still runs."""

    def __init__(self, command, env=None, cwd=None, xwin=None, zoom=None, screen=None):
        self.command = command
        self.zoom = zoom or ZOOM
        self.screen = screen or (SMALL_SCREEN if self.zoom == 1 else LARGE_SCREEN)
        self.extra_env = env or {}
        self.cwd = cwd
        self.xwin = xwin
        self.work_dir = None
        self.xvfb = None
        self.proc = None
        self.display = None

    def __enter__(self):
        self.work_dir = tempfile.mkdtemp(prefix="pictavon-e2e-")
        self.end_wine_server()
        try:
            self.xwin = self.xwin or build_xwin(self.work_dir)
            self.xvfb, self.display = start_xvfb(screen=self.screen)
            put_on_iso_key(self.display, ["eacute", "EuroSign"])  # typed by the tests
        except BaseException:
            shutil.rmtree(self.work_dir, ignore_errors=True)
            raise
        return self

    def __exit__(self, *exc):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        stop_xvfb(self.xvfb)
        shutil.rmtree(self.work_dir, ignore_errors=True)
        self.end_wine_server()
        return False

    def end_wine_server(self):
        """Wine's server keeps the size of the first screen it served while it runs: a program
        on a screen of another size needs a server of its own, and leaves none behind."""
        if self.screen != SMALL_SCREEN and os.path.basename(self.command[0]) == "wine-run.sh":
            env = dict(os.environ, WINEPREFIX=self.command[1])
            for flag in ("-k", "-w"):
                subprocess.run(["wineserver", flag], env=env, stderr=subprocess.DEVNULL, timeout=30)

    @property
    def output_path(self):
        return os.path.join(self.work_dir, "output.txt")

    def env(self):
        env = dict(os.environ)
        env.update(self.extra_env)
        env["DISPLAY"] = self.display
        return env

    # ---- The program ----------------------------------------------------------------------

    def start(self):
        with open(self.output_path, "wb") as out:
            self.proc = subprocess.Popen(self.command, env=self.env(), cwd=self.cwd, stdout=out,
                                         stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        return self.proc

    def output(self):
        with open(self.output_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def wait_exit(self, timeout_s):
        """The program's exit code; a program still running after timeout_s is killed."""
        try:
            return self.proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise Failure(f"the program did not end within {timeout_s} s; output:\n{self.output()}")

    def check_running(self):
        code = self.proc.poll()
        if code is not None:
            raise Failure(f"the program ended early with code {code}; output:\n{self.output()}")

    # ---- X clients ------------------------------------------------------------------------

    def run(self, *args, timeout_s=10):
        try:
            result = subprocess.run(list(args), env=self.env(), capture_output=True, timeout=timeout_s)
        except subprocess.TimeoutExpired:
            raise Failure(f"{args[0]} hung: {' '.join(args)}")
        return result

    def find_window(self, title, timeout_s=10):
        """The id of the viewable window named title, once it exists."""
        def found():
            self.check_running()
            result = self.run(self.xwin, "find", title)
            ids = result.stdout.decode().split()
            return ids[0] if ids else None
        return wait_until(f"a window titled {title!r}", found, timeout_s, step_s=0.02)

    def geometry(self, window):
        """xwininfo's view of the window: {'width': .., 'height': .., 'x': .., 'y': ..}."""
        result = self.run("xwininfo", "-id", window)
        fields = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            key, _, value = line.strip().partition(":")
            names = {"Width": "width", "Height": "height", "Absolute upper-left X": "x",
                     "Absolute upper-left Y": "y"}
            if key in names:
                fields[names[key]] = int(value)
        if "width" not in fields:
            raise Failure(f"xwininfo could not read window {window}: {result.stderr.decode()}")
        return fields

    def title(self, window):
        result = self.run(self.xwin, "title", window)
        if result.returncode != 0:
            return None  # the window is gone
        return result.stdout.decode("utf-8", "replace")

    def grab(self, window):
        """The client area as (width, height, RGB bytes, top row first); None once it is gone."""
        result = self.run(self.xwin, "grab", window)
        if result.returncode != 0:
            return None
        data = result.stdout
        header = data.split(b"\n", 3)
        width, height = (int(v) for v in header[1].split())
        small = unzoomed(width, height, header[3], self.zoom) if self.zoom != 1 else None
        return (240, 160, small) if small is not None else (width, height, header[3])

    def xdotool(self, window, *actions):
        """xdotool actions after giving the window the keyboard focus (Wine needs it, and
        with no window manager nothing else gives it)."""
        result = self.run("xdotool", "windowfocus", window, *actions)
        if result.returncode != 0:
            raise Failure(f"xdotool {' '.join(actions)}: {result.stderr.decode()}")

    def keydown(self, window, key):
        self.xdotool(window, "keydown", key)

    def keyup(self, window, key):
        self.xdotool(window, "keyup", key)

    def key(self, window, key):
        self.xdotool(window, "key", key)

    def type_text(self, window, text):
        self.xdotool(window, "type", "--delay", "20", text)

    def mousedown(self, window, button, x=120, y=80):
        self.xdotool(window, "mousemove", "--window", window, str(x), str(y), "mousedown", str(button))

    def mouseup(self, window, button, x=120, y=80):
        self.xdotool(window, "mousemove", "--window", window, str(x), str(y), "mouseup", str(button))

    def wheel(self, window, notches):
        """Positive: away from the user (X button 4); negative: towards (button 5)."""
        button = "4" if notches > 0 else "5"
        for _ in range(abs(notches)):
            self.xdotool(window, "mousemove", "--window", window, "120", "80", "click", button)

    def close_and_expect_exit_0(self, window, timeout_s):
        """Closes the window and checks that the program ends with code 0 in time; prints
        how long that took."""
        start = time.monotonic()
        self.close(window)
        code = self.wait_exit(timeout_s)
        if code != 0:
            raise Failure(f"exit code {code} after closing; output:\n{self.output()}")
        print(f"        closed to exit: {1000 * (time.monotonic() - start):.0f} ms")

    def key_closes_with_exit_0(self, window, key, timeout_s):
        """After the end of a run: one key press closes the window, and the program ends with
        code 0."""
        self.keydown(window, key)
        code = self.wait_exit(timeout_s)
        if code != 0:
            raise Failure(f"exit code {code} after the closing key")

    def flood_keys(self, window, pairs, burst=0):
        """Presses and releases a key `pairs` times through XTEST, as fast as the server
        takes them (or `burst` pairs at a time, 2 ms apart), and returns once it has."""
        import ctypes
        import ctypes.util
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        xtst = ctypes.cdll.LoadLibrary(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xdotool(window, "mousemove", "--window", window, "120", "80")  # the focus, then keys
        connection = x11.XOpenDisplay(self.display.encode())
        key = x11.XKeysymToKeycode(connection, ord("a"))
        for n in range(pairs):
            xtst.XTestFakeKeyEvent(connection, key, 1, 0)
            xtst.XTestFakeKeyEvent(connection, key, 0, 0)
            if burst and n % burst == burst - 1:
                x11.XSync(connection, 0)
                time.sleep(0.002)
        x11.XSync(connection, 0)
        x11.XCloseDisplay(connection)

    def close(self, window):
        """Asks the window to close (WM_DELETE_WINDOW), as a window manager's close box does."""
        result = self.run(self.xwin, "close", window)
        if result.returncode != 0:
            raise Failure(f"could not ask window {window} to close: {result.stderr.decode()}")


def unzoomed(width, height, rgb, zoom):
    """The 240 x 160 picture that rgb enlarges zoom times, each pixel a zoom x zoom block;
    None when rgb is no such enlargement."""
    if (width, height) != (240 * zoom, 160 * zoom):
        return None
    small, row_bytes = bytearray(), 3 * width
    for j in range(160):
        row = rgb[j * zoom * row_bytes:(j * zoom + 1) * row_bytes]
        shrunk, grown = bytearray(720), bytearray(row_bytes)
        for c in range(3):
            shrunk[c::3] = row[c::3 * zoom]
            for k in range(zoom):
                grown[3 * k + c::3 * zoom] = shrunk[c::3]
        if any(rgb[(j * zoom + k) * row_bytes:(j * zoom + k + 1) * row_bytes] != grown for k in range(zoom)):
            return None
        small += shrunk
    return bytes(small)


# ---- Running the checks of one script --------------------------------------------------------

def parse_command_line(argv=None, description=""):
    """Scripts take [--xwin PATH] [--start-timeout S] [--exit-timeout S] -- COMMAND..."""
    import argparse
    argv = sys.argv[1:] if argv is None else argv
    if "--" not in argv:
        raise SystemExit(f"usage: {sys.argv[0]} [options] -- COMMAND...")
    split = argv.index("--")
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--xwin", help="the built xwin helper (else compiled here)")
    parser.add_argument("--start-timeout", type=float, default=10, help="for the window to appear")
    parser.add_argument("--exit-timeout", type=float, default=1, help="from a close to the exit")
    parser.add_argument("--cwd", help="where the program starts")
    parser.add_argument("--frame-tool", help="tools/frame_tool, for the demo's expected pictures")
    parser.add_argument("--replay", help="the program's headless twin, NAME-replay")
    parser.add_argument("--blink-clock", choices=["boottime"],
                        help="the clock of the program's tick count, to check the cursor's phase against")
    parser.add_argument("--zoom", default="1", help="zooms to run every check at, comma-separated")
    parser.add_argument("--checks", help="only these checks, comma-separated")
    options = parser.parse_args(argv[:split])
    options.command = argv[split + 1:]
    return options


def main(checks, description=""):
    """Runs check(options) for each check in turn, at each zoom; prints one line per run."""
    global ZOOM
    options = parse_command_line(description=description)
    if options.checks:
        known = {c.__name__: c for c in checks}
        checks = [known[name] for name in options.checks.split(",")]  # a KeyError names a typo
    command, failed, runs = options.command, 0, 0
    for ZOOM in map(int, options.zoom.split(",")):
        options.command = command + (["--zoom", str(ZOOM)] if ZOOM != 1 else [])
        at = f" at zoom {ZOOM}" if ZOOM != 1 else ""
        for check in checks:
            start, runs = time.monotonic(), runs + 1
            try:
                check(options)
                print(f"ok      {check.__name__}{at} ({time.monotonic() - start:.2f} s)", flush=True)
            except Failure as failure:
                failed += 1
                print(f"FAILED  {check.__name__}{at}: {failure}", flush=True)
    print(f"{runs - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


def run_under_xvfb(command, timeout_s, screen=SMALL_SCREEN):
    xvfb, display = start_xvfb(screen=screen)
    try:
        proc = subprocess.Popen(command, env=dict(os.environ, DISPLAY=display))
        try:
            return proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            print(f"harness: {command[0]} did not end within {timeout_s} s", file=sys.stderr)
            return 1
    finally:
        stop_xvfb(xvfb)


def write_png(path, width, height, rgb):
    """An 8-bit RGB PNG: the standard library is enough for that."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = b"".join(b"\x00" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def read_png(path):
    """(width, height, RGB top row first) of an 8-bit RGB PNG, not interlaced: what the
    replay and write_png make."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Failure(f"{path} is no PNG")
    pos, idat = 8, b""
    while pos < len(data):
        (n,), kind = struct.unpack(">I", data[pos:pos + 4]), data[pos + 4:pos + 8]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", data[pos + 8:pos + 18])
            if (depth, colour, data[pos + 20]) != (8, 2, 0):
                raise Failure(f"{path}: not 8-bit RGB without interlace")
        idat += data[pos + 8:pos + 8 + n] if kind == b"IDAT" else b""
        pos += 12 + n
    raw, stride, out, prior = zlib.decompress(idat), 3 * width, bytearray(), bytearray(3 * width)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a, b, c = line[i - 3] if i >= 3 else 0, prior[i], prior[i - 3] if i >= 3 else 0
            p = a + b - c
            paeth = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[i] = (line[i] + (0, a, b, (a + b) // 2, paeth)[kind]) & 255
        out += line
        prior = line
    return width, height, bytes(out)


def snapshot(options):
    """./run with no display: what the window shows after a while, as a PNG."""
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as session:
        session.start()
        window = session.find_window(options.title, options.start_timeout)
        time.sleep(options.after_ms / 1000)  # let the program draw for a while: the point of it
        picture = session.grab(window)
        if picture is None:
            raise Failure("the window went away before it could be captured")
        os.makedirs(os.path.dirname(os.path.abspath(options.out)), exist_ok=True)
        write_png(options.out, *picture)
        session.close(window)
        code = session.wait_exit(5)
        if code != 0:
            raise Failure(f"the program ended with code {code}; output:\n{session.output()}")


if __name__ == "__main__":
    import argparse
    if len(sys.argv) < 2 or sys.argv[1] not in ("xvfb", "snapshot") or "--" not in sys.argv:
        raise SystemExit(__doc__)
    split = sys.argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("mode")
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("--out", default="out/pictavon.png")
    parser.add_argument("--after-ms", type=int, default=2000)
    parser.add_argument("--cwd")
    parser.add_argument("--xwin")
    parser.add_argument("--title", default=WINDOW_TITLE)
    parser.add_argument("--start-timeout", type=float, default=30)
    parser.add_argument("--screen", default=SMALL_SCREEN, help="xvfb: the screen, WIDTHxHEIGHTxDEPTH")
    options = parser.parse_args(sys.argv[1:split])
    options.command = sys.argv[split + 1:]
    if options.mode == "xvfb":
        sys.exit(run_under_xvfb(options.command, options.timeout, options.screen))
    try:
        snapshot(options)
    except Failure as failure:
        print(f"error: {failure}", file=sys.stderr)
        sys.exit(1)
