"""The same physical input, key for key, on the Linux program and on the Windows program:
one scripted sequence of XTEST events (X keycodes, that is places on the keyboard, not
characters) replayed against each test host on a fresh Xvfb. After every step the test
routine's picture shows key_state, char_queue and wheel_total; the two runs must agree at
every step except where KNOWN_DIFFERENCES says why they cannot, and after the last step of
each sequence every slot must read up.

    python3 e2e_same_input.py [--xwin X] [--report FILE] [--only linux|windows]
        --linux LINUX_TEST_HOST -- WINE_COMMAND... WINDOWS_TEST_HOST.exe

--only runs one program, prints what it showed after each step (to compare builds by hand)
and checks only that every slot reads up at the end; --report writes the runs as JSON;
--linux-report takes the Linux run from such a report when it is newer than the Linux test
host (./test's Linux stage has just made it), instead of a minute spent playing it again.
"""
import argparse
import ctypes
import ctypes.util
import json
import os
import shutil
import subprocess
import sys
import time

import pictures
from harness import WINDOW_TITLE, Failure, Session, wait_until

TITLE = WINDOW_TITLE

# X keycodes of the evdev key map that Xvfb and setxkbmap use.
K = {
    "Escape": 9, "1": 10, "2": 11, "6": 15, "7": 16, "minus": 20, "BackSpace": 22, "Tab": 23,
    "q": 24, "e": 26, "bracketleft": 34, "bracketright": 35, "Return": 36, "Control_L": 37,
    "a": 38, "grave": 49, "Shift_L": 50, "backslash": 51, "z": 52, "x": 53, "Alt_L": 64,
    "space": 65, "F1": 67, "F5": 71, "F10": 76, "Num_Lock": 77, "KP_4": 83, "F12": 96,
    "KP_Enter": 104, "Control_R": 105, "Alt_R": 108, "Up": 111, "Left": 113, "Right": 114,
    "Delete": 119, "Mute": 121, "VolumeDown": 122, "VolumeUp": 123, "Mail": 163,
    "Favorites": 164, "MyComputer": 165, "Back": 166, "Forward": 167, "Calculator": 148,
    "AudioNext": 171, "AudioPlay": 172, "AudioPrev": 173, "AudioStop": 174, "HomePage": 180,
    "Refresh": 181, "Search": 225,
}

# Steps: (name, actions). Actions: ("down"|"up"|"tap", key), ("press"|"release", button),
# ("move", x, y) in the window, ("outside",) moves the pointer off it, ("focus_other",),
# ("focus_back",). The state is read after each step, once a wheel marker has come through
# (see sync_by_wheel), except after the steps in UNMARKED, where the pointer is outside the
# window or another window has the focus and the marker would not reach the program: there
# the state is read once the picture has stayed the same for a while.
def tap(*keys):
    return [("tap", k) for k in keys]


def chord(modifiers, key):
    return ([("down", m) for m in modifiers] + [("tap", key)] +
            [("up", m) for m in reversed(modifiers)])


# With no window manager, Wine gives its window the keyboard again only when it is clicked:
# the Linux program gets the same click.
CLICK = [("move", 120, 80), ("press", 1), ("release", 1)]

MEDIA_KEYS = ("Mute", "VolumeDown", "VolumeUp", "AudioPlay", "AudioStop", "AudioNext", "AudioPrev",
              "Mail", "HomePage", "Back", "Forward", "Refresh", "Search", "Favorites", "Calculator",
              "MyComputer")

US_STEPS = [
    ("a down", [("down", "a")]),
    ("a up", [("up", "a")]),
    ("digits and shift", tap("7") + chord(["Shift_L"], "1")),
    ("ctrl down", [("down", "Control_L")]),
    ("ctrl+a", tap("a")),
    ("ctrl+Return", tap("Return")),
    ("ctrl+BackSpace", tap("BackSpace")),
    ("ctrl+[", tap("bracketleft")),
    ("ctrl+]", tap("bracketright")),
    ("ctrl+\\", tap("backslash")),
    ("ctrl+1", tap("1")),
    ("ctrl+space", tap("space")),
    ("ctrl+Escape", tap("Escape")),
    ("ctrl up", [("up", "Control_L")]),
    ("ctrl+shift+2, 6, minus", [("down", "Control_L"), ("down", "Shift_L")] + tap("2", "6", "minus")
     + [("up", "Shift_L"), ("up", "Control_L")]),
    ("shift+Tab", chord(["Shift_L"], "Tab")),
    ("alt+x", [("down", "Alt_L"), ("down", "x")]),
    ("alt+x up", [("up", "x"), ("up", "Alt_L")]),
    ("ctrl+alt+a", [("down", "Control_L"), ("down", "Alt_L"), ("down", "a")]),
    ("ctrl+alt+a up", [("up", "a"), ("up", "Alt_L"), ("up", "Control_L")]),
    ("Left held, Alt down", [("down", "Left"), ("down", "Alt_L")]),
    ("Left up with Alt down", [("up", "Left")]),
    ("Alt up", [("up", "Alt_L")]),
    ("Up held, right Alt down", [("down", "Up"), ("down", "Alt_R")]),
    ("Up up with right Alt down, Alt up", [("up", "Up"), ("up", "Alt_R")]),
    ("F1 down", [("down", "F1")]),
    ("F1 up, F5, F12", [("up", "F1")] + tap("F5", "F12")),
    ("F10 down", [("down", "F10")]),
    ("F10 up", [("up", "F10")]),
    ("keypad 4 down, Num Lock off", [("down", "KP_4")]),
    ("Num Lock on", tap("Num_Lock")),
    ("keypad 4 up, Num Lock on", [("up", "KP_4")]),
    ("keypad 4 with Num Lock on", tap("KP_4")),
    ("keypad 4 down, Num Lock on", [("down", "KP_4")]),
    ("Num Lock off", tap("Num_Lock")),
    ("keypad 4 up, Num Lock off", [("up", "KP_4")]),
    ("keypad Enter, Delete", tap("KP_Enter", "Delete")),
    *[step for name in MEDIA_KEYS for step in ((f"{name} down", [("down", name)]),
                                                (f"{name} up", [("up", name)]))],
    ("left button down", [("move", 120, 80), ("press", 1)]),
    ("left button up", [("release", 1)]),
    ("middle button down", [("press", 2)]),
    ("right button down too", [("press", 3)]),
    ("middle and right up", [("release", 2), ("release", 3)]),
    ("side buttons", [("press", 8), ("release", 8), ("press", 9), ("release", 9)]),
    ("left button down, pointer out", [("press", 1), ("outside",)]),
    ("left button up outside", [("release", 1)]),
    ("right button down, pointer out", [("move", 120, 80), ("press", 3), ("outside",)]),
    ("right button up outside, pointer back", [("release", 3), ("move", 120, 80)]),
    ("wheel 2 away, 1 towards", [("press", 4), ("release", 4), ("press", 4), ("release", 4),
                                 ("press", 5), ("release", 5)]),
    ("Left down", [("down", "Left")]),
    ("focus elsewhere, Left up there", [("focus_other",), ("up", "Left")]),
    ("focus back", [("focus_back",)] + CLICK),
    ("Right and Alt down", [("down", "Right"), ("down", "Alt_L")]),
    ("focus elsewhere with Alt down, both up there",
     [("focus_other",), ("up", "Right"), ("up", "Alt_L")]),
    ("focus back again", [("focus_back",)] + CLICK),
    ("z typed last", tap("z")),
]

DE_STEPS = [
    ("z on a German keyboard", tap("z")),
    ("y on a German keyboard", [("down", "z")]),
    ("y up", [("up", "z")]),
    ("AltGr down", [("down", "Alt_R")]),
    ("AltGr+e down", [("down", "e")]),
    ("AltGr+e up", [("up", "e")]),
    ("AltGr+q", tap("q")),
    ("AltGr up", [("up", "Alt_R")]),
    ("shift+2, shift+7", chord(["Shift_L"], "2") + chord(["Shift_L"], "7")),
    ("ctrl+z on a German keyboard", chord(["Control_L"], "z")),
    ("ctrl+alt+q", chord(["Control_L", "Alt_L"], "q")),
    ("Left held, AltGr down", [("down", "Left"), ("down", "Alt_R")]),
    ("Left up with AltGr down, AltGr up", [("up", "Left"), ("up", "Alt_R")]),
    ("dead circumflex", tap("grave")),
    ("then e", tap("e")),
    ("focus elsewhere", [("focus_other",)]),
    ("focus back", [("focus_back",)] + CLICK),
    ("a typed last", tap("a")),
]

SEQUENCES = [("us", US_STEPS), ("de", DE_STEPS)]

UNMARKED = {"focus elsewhere", "left button down, pointer out", "left button up outside", "right button down, pointer out",
            "focus elsewhere, Left up there", "focus elsewhere with Alt down, both up there"}

# Known differences that are not faults of either build: (layout, step) -> why. Each is
# taken from a run of both programs; where Wine itself departs from Windows it says so.
WINE_ALTGR = ("Wine reports AltGr as one key of its own (code 0xE4) where Windows sends a left "
              "Control and then Alt, both as ordinary keys; the Linux program does as Windows")
WINE_NO_CODE = "Wine has no code for this key (slot 0); Windows and the Linux program have one"
KNOWN_DIFFERENCES = {
    # Windows' US layout makes DEL (0x7F) of Ctrl+Backspace; Wine's TranslateMessage makes
    # Backspace (0x08) of it.
    ("us", "ctrl+BackSpace"): "Wine makes 0x08, Windows 0x7F",
    ("us", "HomePage down"): WINE_NO_CODE + " (VK_BROWSER_HOME)",
    ("us", "Refresh down"): WINE_NO_CODE + " (VK_BROWSER_REFRESH)",
    ("us", "MyComputer down"): WINE_NO_CODE + " (VK_LAUNCH_APP1)",
    ("us", "Calculator down"): "Wine gives VK_F13 (124); Windows VK_LAUNCH_APP2 (183)",
    ("de", "AltGr down"): WINE_ALTGR,
    ("de", "AltGr+e down"): WINE_ALTGR,
    ("de", "AltGr+e up"): WINE_ALTGR,
    ("de", "AltGr+q"): WINE_ALTGR,
    ("de", "Left held, AltGr down"): WINE_ALTGR,
    # The character a dead key composes comes from Wine's input method with a key-down of
    # its own (code 0xFC) and no key-up; Windows sends the E key's down and up. The slot
    # stays set on Wine until the focus goes (next steps).
    ("de", "then e"): "Wine sets slot 0xFC for the composed character and never clears it",
}


class Xtest:
    """Key and button events through the XTEST extension, by X keycode."""

    def __init__(self, display):
        self.x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary(ctypes.util.find_library("Xtst") or "libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        for name in ("XTestFakeKeyEvent", "XTestFakeButtonEvent"):
            getattr(self.xtst, name).argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.connection = self.x11.XOpenDisplay(display.encode())
        if not self.connection:
            raise Failure(f"cannot open the display {display}")
        # A held key repeats its character for as long as the step waits: no repeats, so that
        # each step's state is the same however long it takes to show.
        self.x11.XAutoRepeatOff.argtypes = [ctypes.c_void_p]
        self.x11.XAutoRepeatOff(self.connection)
        self.x11.XSync(self.connection, 0)

    def key(self, keycode, down):
        self.xtst.XTestFakeKeyEvent(self.connection, keycode, 1 if down else 0, 0)
        self.x11.XSync(self.connection, 0)

    def button(self, number, down):
        self.xtst.XTestFakeButtonEvent(self.connection, number, 1 if down else 0, 0)
        self.x11.XSync(self.connection, 0)

    def move(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.connection, -1, x, y, 0)
        self.x11.XSync(self.connection, 0)

    def close(self):
        self.x11.XCloseDisplay(self.connection)


def shown_state(s, window):
    picture = s.grab(window)
    if picture is None:
        raise Failure("the window went away")
    return pictures.input_shown(picture[2])


def sync_by_wheel(s, xt, window, wheel_before, timeout_s=20):
    """A wheel notch away and one back, each waited for: once both show, every event sent
    before them has been handled (a program may be busy for seconds, with a still picture,
    after a key that launches something)."""
    for button, want in ((4, wheel_before - 120), (5, wheel_before)):
        xt.button(button, True)
        xt.button(button, False)
        wait_until(f"the wheel total to reach {want} (the step's end marker)",
                   lambda: shown_state(s, window)[2] == want, timeout_s, step_s=0.05)


def settled_state(s, window, timeout_s=10, quiet_s=0.4):
    """The input state the window shows once it has stayed the same for quiet_s."""
    last = [None, time.monotonic()]

    def settled():
        state = shown_state(s, window)
        now = time.monotonic()
        if state != last[0]:
            last[0], last[1] = state, now
            return None
        return state if now - last[1] >= quiet_s else None
    keys, chars, wheel = wait_until("the window's input state to settle", settled, timeout_s, step_s=0.05)
    return {"keys": keys, "chars": chars.hex(" "), "wheel": wheel}


class Other:
    """A second X client that can take the keyboard focus: xmessage."""

    def __init__(self, s):
        self.proc = subprocess.Popen(["xmessage", "-geometry", "+400+300", "-name", "pictavon-other",
                                      "elsewhere"], env=s.env(), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.window = wait_until("the other window", lambda: self._find(s), 10, step_s=0.05)

    def _find(self, s):
        result = s.run("xdotool", "search", "--classname", "pictavon-other")
        ids = result.stdout.decode().split()
        return ids[0] if ids else None

    def close(self):
        self.proc.kill()
        self.proc.wait()


def run_sequence(options, command, layout, steps):
    """Each step's settled state, in order, for one program and one key map."""
    with Session(command, env={"PICTAVON_TEST_MODE": "present"}, xwin=options.xwin) as s:
        if s.run("setxkbmap", "-display", s.display, layout).returncode != 0:
            raise Failure(f"setxkbmap {layout} failed")
        xt = Xtest(s.display)  # before the program starts: the key repeat goes off
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        s.run("xdotool", "windowfocus", "--sync", window)
        other = Other(s)
        try:
            geometry = s.geometry(window)
            xt.move(geometry["x"] + 120, geometry["y"] + 80)  # the wheel marker's place
            wheel = 0
            try:
                states = [("start", settled_state(s, window, timeout_s=options.start_timeout))]
            except Failure as failure:
                raise Failure(f"[{layout}] at the start: {failure}")
            for name, actions in steps:
                for action in actions:
                    perform(s, xt, other, window, geometry, action)
                    if action[0] == "press" and action[1] in (4, 5):
                        wheel += -120 if action[1] == 4 else 120
                    time.sleep(0.03)
                try:
                    if name not in UNMARKED:
                        sync_by_wheel(s, xt, window, wheel)
                    # Marked: every event before the marker is handled, so a short still
                    # picture will do; unmarked: only a longer one says so.
                    quiet_s = 0.15 if name not in UNMARKED else 1.5
                    states.append((name, settled_state(s, window, quiet_s=quiet_s)))
                except Failure as failure:
                    raise Failure(f"[{layout}] after {name!r}: {failure}")
            s.close(window)
            s.wait_exit(options.exit_timeout)
            return states
        finally:
            other.close()
            xt.close()


def perform(s, xt, other, window, geometry, action):
    kind = action[0]
    if kind in ("down", "up"):
        xt.key(K[action[1]], kind == "down")
    elif kind == "tap":
        xt.key(K[action[1]], True)
        time.sleep(0.03)
        xt.key(K[action[1]], False)
    elif kind in ("press", "release"):
        xt.button(action[1], kind == "press")
    elif kind == "move":
        xt.move(geometry["x"] + action[1], geometry["y"] + action[2])
    elif kind == "outside":
        xt.move(geometry["x"] + geometry["width"] + 150, geometry["y"] + geometry["height"] + 150)
    elif kind == "focus_other":
        s.run("xdotool", "windowfocus", "--sync", other.window)
    elif kind == "focus_back":
        s.run("xdotool", "windowfocus", "--sync", window)
    time.sleep(0.02)


def run_all(options, command):
    return {layout: run_sequence(options, command, layout, steps) for layout, steps in SEQUENCES}


def step_view(states):
    """Per step: the slots down after it, the characters it added, the wheel total after it.
    A character one program makes and the other does not then shows at its own step only."""
    view, before = [], []
    for name, state in states:
        chars = state["chars"].split()
        added = " ".join(chars[len(before):]) if chars[:len(before)] == before else f"(queue now {state['chars']})"
        view.append((name, {"keys": state["keys"], "typed": added, "wheel": state["wheel"]}))
        before = chars
    return view


def compare(linux, windows):
    """Lines saying where the two runs differ outside the known differences."""
    problems = []
    for layout, _ in SEQUENCES:
        for (name, a), (_, b) in zip(step_view(linux[layout]), step_view(windows[layout])):
            if a != b and (layout, name) not in KNOWN_DIFFERENCES:
                problems.append(f"[{layout}] {name}: Linux {a}, Windows {b}")
        for program, states in (("Linux", linux[layout]), ("Windows", windows[layout])):
            name, last = states[-1]
            if last["keys"]:
                problems.append(f"[{layout}] {program}: slots {last['keys']} still down after the last step")
    return problems


def print_run(label, run):
    for layout, states in run.items():
        for name, state in step_view(states):
            print(f"  {label} [{layout}] {name}: keys {state['keys']} typed [{state['typed']}] "
                  f"wheel {state['wheel']}")


def saved_linux_run(options):
    report = options.linux_report
    if not report or not os.path.exists(report) or os.path.getmtime(report) < os.path.getmtime(options.linux):
        return None
    print(f"  the Linux run as {report} holds it")
    with open(report) as f:
        return json.load(f).get("linux")


def main():
    argv = sys.argv[1:]
    if "--" not in argv:
        raise SystemExit(__doc__)
    split = argv.index("--")
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--xwin")
    parser.add_argument("--linux", required=True, help="the SDL test host")
    parser.add_argument("--report", help="writes both runs here as JSON")
    parser.add_argument("--linux-report", help="a report holding the Linux run, used if newer than --linux")
    parser.add_argument("--only", choices=["linux", "windows"])
    parser.add_argument("--start-timeout", type=float, default=60)
    parser.add_argument("--exit-timeout", type=float, default=5)
    options = parser.parse_args(argv[:split])
    wine_command = argv[split + 1:]
    if options.only != "linux" and shutil.which("wine64") is None and shutil.which("wine") is None:
        print("SKIPPED: Wine is not installed (neither wine64 nor wine is on the path)")
        sys.exit(77)
    try:
        runs = {}
        if options.only != "windows":
            runs["linux"] = saved_linux_run(options) or run_all(options, [options.linux])
        if options.only != "linux":
            runs["windows"] = run_all(options, wine_command)
    except Failure as failure:
        print(f"FAILED  same_input: {failure}")
        sys.exit(1)
    if options.report:
        with open(options.report, "w") as f:
            json.dump(runs, f, indent=1)
    if options.only:
        print_run(options.only, runs[options.only])
        stuck = [f"[{layout}] slots {states[-1][1]['keys']} still down after the last step"
                 for layout, states in runs[options.only].items() if states[-1][1]["keys"]]
        for line in stuck:
            print(f"  {line}")
        print(f"FAILED  same_input: {len(stuck)} sequences end with keys down" if stuck else "ok      same_input")
        sys.exit(1 if stuck else 0)
    problems = compare(runs["linux"], runs["windows"])
    for line in problems:
        print(f"  differs: {line}")
    if problems:
        print(f"FAILED  same_input: {len(problems)} differences")
        sys.exit(1)
    print("ok      same_input")


if __name__ == "__main__":
    main()
