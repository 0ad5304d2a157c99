"""The host's own refresh and the end of a run, end to end: the test host in "refresh"
mode writes a picture, never presents, and returns after 1.5 s."""
import time

import harness
import pictures
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."


# A capture shows a refresh made up to a tick (10 ms) before it, later on a busy machine.
STALE_MS = 150


def cursor_phase(ticks_ms):
    """True in the odd 500 ms halves of the tick count, taken as signed 32 bits, the
    quotient truncated toward zero."""
    ticks = (ticks_ms + 2**31) % 2**32 - 2**31
    q = abs(ticks) // 500 * (1 if ticks >= 0 else -1)
    return q % 2 != 0


def tick_ms(options):
    if options.blink_clock == "boottime":
        return time.clock_gettime_ns(time.CLOCK_BOOTTIME) // 1000000
    return None


def wait_for_both_phases(s, window, what, options, timeout_s=3):
    """Captures until the picture has been seen with and without the cursor; any other
    picture fails at once. Given the program's clock, the cursor must be in the phase
    of the tick count."""
    plain, with_cursor = pictures.expected(), pictures.expected(cursor=True)
    seen = set()

    def both():
        before = tick_ms(options)
        picture = s.grab(window)
        after = tick_ms(options)
        if picture is None:
            raise Failure(f"{what}: the window went away")
        if picture[2] in (plain, with_cursor):
            shown = picture[2] == with_cursor
            seen.add(shown)
            if before is not None and cursor_phase(before - STALE_MS) == cursor_phase(after) \
                    and shown != cursor_phase(after):
                raise Failure(f"{what}: cursor {'shown' if shown else 'hidden'} at tick {after} ms")
        elif seen:  # before the first refresh the window is still black
            raise Failure(f"{what}: unexpected picture: {pictures.difference(picture[2], plain)}")
        return len(seen) == 2
    wait_until(f"{what}: the picture with and without the cursor", both, timeout_s)


def legacy_name(display, window):
    """The window's WM_NAME property as (type name, raw bytes); X defines it as Latin-1 when
    its type is STRING."""
    import ctypes
    import ctypes.util
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XGetAtomName.restype = ctypes.c_void_p
    x11.XGetAtomName.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long, ctypes.c_int,
        ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise Failure(f"cannot open the display {display}")
    try:
        kind, size, count, after, data = (ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong(),
                                          ctypes.c_void_p())
        wm_name, any_type = 39, 0  # XA_WM_NAME, AnyPropertyType
        if x11.XGetWindowProperty(connection, int(window, 0), wm_name, 0, 4096, 0, any_type, ctypes.byref(kind),
                                  ctypes.byref(size), ctypes.byref(count), ctypes.byref(after),
                                  ctypes.byref(data)) != 0 or not data.value:
            return None, b""
        raw = ctypes.string_at(data.value, count.value)
        x11.XFree(data)
        name = x11.XGetAtomName(connection, kind.value)
        type_name = ctypes.string_at(name).decode()
        x11.XFree(name)
        return type_name, raw
    finally:
        x11.XCloseDisplay(connection)


def refresh_and_end_of_run(options):
    with Session(options.command, env={"PICTAVON_TEST_MODE": "refresh"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        wait_for_both_phases(s, window, "while the routine runs", options)
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        # Tools that read only the legacy property must find the same text there.
        kind, raw = legacy_name(s.display, window)
        if (kind, raw) != ("STRING", PROMPT.encode("latin-1")):
            raise Failure(f"WM_NAME is {kind} {raw!r}, not the prompt in Latin-1")
        # The cursor keeps blinking over the last picture until a key closes the window.
        wait_for_both_phases(s, window, "after the end", options)
        s.check_running()
        # Key states, not key presses: hold the key until the next tick has seen it.
        start = time.monotonic()
        s.keydown(window, "space")
        code = s.wait_exit(options.exit_timeout)
        if code != 0:
            raise Failure(f"exit code {code} after the closing key")
        print(f"        key to exit: {1000 * (time.monotonic() - start):.0f} ms")


def prompt_counts_presses(options):
    """Escape ends the routine, held on: its repeats and release keep the prompt; a 2 ms tap closes it."""
    with Session(options.command, env={"PICTAVON_TEST_MODE": "escape"}, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        s.keydown(window, "Escape")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        time.sleep(0.8)  # past the auto-repeat's delay
        s.keyup(window, "Escape")
        time.sleep(0.1)
        s.check_running()
        s.xdotool(window, "keydown", "space", "sleep", "0.002", "keyup", "space")
        if s.wait_exit(options.exit_timeout) != 0:
            raise Failure("the tap did not end the run with code 0")


def end_run_ends_with_its_code(options):
    """end_run(code) at Escape: no prompt waits, the process ends with the code; 300 gives 255."""
    for asked, expected in ((42, 42), (300, 255)):
        with Session(options.command, env={"PICTAVON_TEST_MODE": "escape", "PICTAVON_TEST_END_CODE": str(asked)},
                     cwd=options.cwd, xwin=options.xwin) as s:
            s.start()
            s.key(s.find_window(TITLE, options.start_timeout), "Escape")
            code = s.wait_exit(options.exit_timeout)
            if code != expected:
                raise Failure(f"end_run({asked}): exit code {code}, not {expected}")


if __name__ == "__main__":
    harness.main([refresh_and_end_of_run, prompt_counts_presses, end_run_ends_with_its_code], __doc__)
