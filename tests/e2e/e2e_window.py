"""The window, its picture and its input, end to end: the test host in "present" mode,
which shows a known picture and the key states as white pixels, every 20 ms."""

import harness
import pictures
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE


def session(options):
    return Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd, xwin=options.xwin)


def wait_for_keys(s, window, keys, what):
    """Waits until the capture shows exactly the slots in keys down."""
    seen = [None]

    def shown():
        picture = s.grab(window)
        seen[0] = sorted(pictures.keys_shown(picture[2])) if picture else "no window"
        return seen[0] == sorted(keys)
    try:
        wait_until(what, shown, 3)
    except Failure:
        raise Failure(f"{what}: the window shows slots {seen[0]} down, not {sorted(keys)}")


def first_picture(s, options):
    """Starts the test host and waits for its first picture, no key down; the window."""
    s.start()
    window = s.find_window(TITLE, options.start_timeout)
    wait_for_keys(s, window, [], "the first picture")
    return window


def window_picture_and_close(options):
    with session(options) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        geometry = s.geometry(window)
        if (geometry["width"], geometry["height"]) != (240, 160):
            raise Failure(f"client area {geometry['width']} x {geometry['height']}, not 240 x 160")
        if s.title(window) != TITLE:
            raise Failure(f"title {s.title(window)!r}")
        want = pictures.expected()
        last = [None]

        def same():
            picture = s.grab(window)
            last[0] = picture
            return picture is not None and picture[:2] == (240, 160) and picture[2] == want
        try:
            wait_until("the test picture", same, 5)
        except Failure:
            shown = last[0]
            raise Failure("the window never showed the test picture: " +
                          (pictures.difference(shown[2], want) if shown else "no capture"))
        s.close_and_expect_exit_0(window, options.exit_timeout)


# (xdotool key name, virtual-key code): letters by their capitals, digits, arrows, the named
# keys, function keys, the keypad's operators.
KEYS = [("a", 65), ("q", 81), ("z", 90), ("0", 48), ("7", 55), ("Left", 37), ("Up", 38),
        ("Right", 39), ("Down", 40), ("space", 32), ("Return", 13), ("Escape", 27),
        ("BackSpace", 8), ("Tab", 9), ("Shift_L", 16), ("Shift_R", 16), ("Control_L", 17),
        ("F1", 112), ("F12", 123), ("Home", 36), ("End", 35), ("Prior", 33), ("Next", 34),
        ("Insert", 45), ("Delete", 46), ("KP_Add", 107), ("KP_Multiply", 106)]


def keys_and_buttons(options):
    with session(options) as s:
        window = first_picture(s, options)
        for name, code in KEYS:
            s.keydown(window, name)
            wait_for_keys(s, window, [code], f"{name} down")
            s.keyup(window, name)
            wait_for_keys(s, window, [], f"{name} up")
        # Two at once, released in the other order.
        s.keydown(window, "Left")
        s.keydown(window, "c")
        wait_for_keys(s, window, [37, 67], "Left and C down")
        s.keyup(window, "Left")
        wait_for_keys(s, window, [67], "Left up, C still down")
        s.keyup(window, "c")
        wait_for_keys(s, window, [], "both up")
        for button, slot in ((1, 1), (3, 2), (2, 4)):  # X's left, right, middle
            s.mousedown(window, button)
            wait_for_keys(s, window, [slot], f"mouse button {button} down")
            s.mouseup(window, button)
            wait_for_keys(s, window, [], f"mouse button {button} up")
        s.close_and_expect_exit_0(window, options.exit_timeout)


def system_keys(options):
    """Alt, keys pressed while Alt is held, and F10 leave the key states alone. Each is
    followed by an ordinary key, whose showing proves the ones before were handled."""
    with session(options) as s:
        window = first_picture(s, options)
        s.keydown(window, "Alt_L")
        s.keydown(window, "x")
        s.keyup(window, "Alt_L")
        s.keydown(window, "b")
        wait_for_keys(s, window, [66], "B down after Alt, Alt+X")
        s.keyup(window, "x")
        s.keyup(window, "b")
        s.keydown(window, "F10")
        s.keydown(window, "n")
        wait_for_keys(s, window, [78], "N down after F10")
        s.keyup(window, "F10")
        s.keyup(window, "n")
        wait_for_keys(s, window, [], "all up")
        s.close_and_expect_exit_0(window, options.exit_timeout)


def alt_f4_closes(options):
    """Alt+F4 asks the window to close, as on Windows (with no window manager to do it)."""
    with session(options) as s:
        window = first_picture(s, options)
        s.keydown(window, "Alt_L")
        s.key(window, "F4")
        code = s.wait_exit(options.exit_timeout)
        if code != 0:
            raise Failure(f"exit code {code} after Alt+F4")


def characters_and_wheel(options):
    """Typed text arrives as Windows-1252 bytes, with the control characters Win32 makes
    of Backspace, Tab, Return and Escape; one notch away from the user is -120."""
    with session(options) as s:
        window = first_picture(s, options)
        s.type_text(window, "Aé")
        for name in ("BackSpace", "Tab", "Return", "Escape"):
            s.key(window, name)
        s.type_text(window, "€")
        s.wheel(window, 1)
        s.wheel(window, -3)
        s.wheel(window, 1)
        # Taps far quicker than the routine's 20 ms look: take_press counts every one.
        s.xdotool(window, "key", "--delay", "5", *["F5"] * 30)
        # The last key shown down proves every event before it reached the window.
        s.keydown(window, "z")
        wait_for_keys(s, window, [90], "Z down")
        s.close_and_expect_exit_0(window, options.exit_timeout)
        output = s.output()
        typed = "41 e9 08 09 0d 1b 80 7a"
        for want in (f"chars: {typed}", "wheel_total: 120", f"taken: {typed}", " 74:30"):
            if want not in output:
                raise Failure(f"expected {want!r}, got:\n{output}")


def full_screen_and_back(options):
    """Alt+Enter covers the screen at the largest whole zoom, the picture centred on black and
    the pointer still in surface pixels (clamped, mouse_in 0, on the border); Alt+Enter again
    gives the window back its size and place. The routine sees neither key."""
    with Session(options.command, env={"PICTAVON_TEST_MODE": "pointer"}, cwd=options.cwd, xwin=options.xwin) as s:
        window = first_picture(s, options)
        framed = s.geometry(window)
        screen_cx, screen_cy = (int(v) for v in s.screen.split("x")[:2])
        zoom = min(screen_cx // 240, screen_cy // 160)
        left, top = (screen_cx - 240 * zoom) // 2, (screen_cy - 160 * zoom) // 2
        seen = [None]

        def showing(want_geometry, want_pointer):  # the picture centred on black, no key down
            grabbed, seen[0] = s.grab(window), s.geometry(window)
            if any(seen[0][k] != v for k, v in want_geometry.items()) or grabbed is None:
                return False
            cx, cy, rgb = grabbed
            z = min(cx // 240, cy // 160)
            x0, y0 = (cx - 240 * z) // 2, (cy - 160 * z) // 2
            rows = [rgb[3 * ((y0 + j) * cx + x0):3 * ((y0 + j) * cx + x0 + 240 * z)] for j in range(160 * z)]
            picture = harness.unzoomed(240 * z, 160 * z, b"".join(rows), z)
            border_black = rgb.count(0) - sum(r.count(0) for r in rows) == 3 * (cx * cy - 240 * 160 * z * z)
            return (picture is not None and border_black and picture[:3 * 240 * 151] == pictures.expected()[:3 * 240 * 151]
                    and pictures.keys_shown(picture) == set() and want_pointer in (None, pictures.pointer_shown(picture)))
        full = {"width": screen_cx, "height": screen_cy, "x": 0, "y": 0}
        # Window (left + 100 zoom + zoom - 1, top + 51 zoom) shows surface (100, 50); (1, bottom) is border.
        inside = (str(left + 100 * zoom + zoom - 1), str(top + 51 * zoom))
        for actions, geometry, pointer in ((["key", "alt+Return"], full, None),
                                           (["mousemove", "--window", window, *inside], full, (100, 50, 1)),
                                           (["mousemove", "--window", window, "1", str(screen_cy - 1)], full, (0, 158, 0)),
                                           (["key", "alt+Return"], framed, None)):
            s.xdotool(window, *actions)
            try:
                wait_until(" ".join(actions), lambda: showing(geometry, pointer), 5)
            except Failure:
                raise Failure(f"after {' '.join(actions)}: {seen[0]}, not {geometry} with the pointer read as {pointer}")
        s.close_and_expect_exit_0(window, options.exit_timeout)
        if " 0d" in s.output() or "0d:" in s.output():
            raise Failure(f"the routine saw the toggle's Enter:\n{s.output()}")


if __name__ == "__main__":
    harness.main([window_picture_and_close, keys_and_buttons, system_keys, alt_f4_closes,
                  characters_and_wheel, full_screen_and_back], __doc__)
