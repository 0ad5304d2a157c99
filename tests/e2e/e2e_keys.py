"""The keyboard and mouse viewer (examples/keys) end to end: a routine that never presents,
seen through the host's own refresh with its blinking cursor, then the end of the run.
Pictures are checked against a model of the viewer's layout, byte for byte."""
import time

import harness
import pictures
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."
WIDTH, HEIGHT = 240, 160

# Colours as (red, green, blue), the capture's order.
BACKGROUND = (32, 32, 48)
KEY_UP = (80, 80, 80)
KEY_LIT = (255, 220, 0)
BIT_SET = (255, 255, 255)
CHAR_BAR = (0, 200, 255)
WHEEL_BAR = (255, 128, 0)


class Input:
    """What the viewer shows: slots down, characters typed, the wheel total."""

    def __init__(self, down=(), chars=b"", wheel=0):
        self.down, self.chars, self.wheel = set(down), bytes(chars), wheel


def truncated_notches(total):
    """C++'s division: the quotient truncated toward zero."""
    return -(-total // 120) if total < 0 else total // 120


def view(state, cursor=False):
    """The capture of the viewer's window for this input state: window row j shows surface
    row j - 1, the top row the background of the spare row."""
    rgb = bytearray(bytes(BACKGROUND) * (WIDTH * HEIGHT))

    def fill(x, y, cx, cy, colour):
        for sy in range(max(y, 0), min(y + cy, HEIGHT - 1)):  # surface row 159 is not shown
            i = 3 * ((sy + 1) * WIDTH)
            for sx in range(max(x, 0), min(x + cx, WIDTH)):
                rgb[i + 3 * sx:i + 3 * sx + 3] = bytes(colour)

    for n in range(256):
        fill(8 + n % 16 * 10, 8 + n // 16 * 8, 9, 7, KEY_LIT if n in state.down else KEY_UP)
    count = min(len(state.chars), 255)
    last = state.chars[:254] + state.chars[-1:] if len(state.chars) > 255 else state.chars
    shown = [0] * max(0, 8 - count) + list(last[-8:]) if count else [0] * 8
    for i, code in enumerate(shown):
        fill(176 + i * 8, 136 - code // 2, 6, code // 2, CHAR_BAR)
    for bit in range(7, -1, -1):
        fill(8 + (7 - bit) * 12, 142, 10, 6, BIT_SET if count >> bit & 1 else KEY_UP)
    notches = truncated_notches(state.wheel)
    length = min(abs(notches) * 4, 112)
    fill(120 - length if notches < 0 else 120, 152, length, 6, WHEEL_BAR)
    if cursor:
        x0, y0, cx, cy = pictures.CURSOR
        for y in range(y0, y0 + cy):
            for x in range(x0, x0 + cx):
                i = 3 * ((y + 1) * WIDTH + x)
                rgb[i:i + 3] = bytes(255 - b for b in rgb[i:i + 3])
    return bytes(rgb)


def without_text(picture):
    """The capture with the routine's text line (surface rows 0..7, window rows 1..8) as the
    model's background: its pointer place depends on where the test's pointer went."""
    band = slice(3 * WIDTH * 1, 3 * WIDTH * 9)
    return picture[:band.start] + bytes(BACKGROUND) * (WIDTH * 8) + picture[band.stop:]


def wait_for_view(s, window, state, what, timeout_s=5):
    """Captures until the window shows the state, with the cursor in either phase. Pictures
    on the way (input arriving, a refresh mid-picture) are let pass; the last one seen is
    reported if the state never shows."""
    wanted = (view(state), view(state, cursor=True))
    last = [None]

    def shown():
        picture = s.grab(window)
        if picture is None:
            raise Failure(f"{what}: the window went away")
        last[0] = without_text(picture[2])
        return last[0] in wanted
    try:
        wait_until(what, shown, timeout_s)
    except Failure as failure:
        raise Failure(f"{failure}; last capture: {pictures.difference(last[0], wanted[0])}")


def start_and_see_the_cursor_blink(s, options):
    s.start()
    window = s.find_window(TITLE, options.start_timeout)
    wait_for_view(s, window, Input(), "the empty view", timeout_s=10)
    # The host's refresh blinks its cursor over the routine's picture: both phases show.
    seen = set()

    def both_phases():
        picture = without_text(s.grab(window)[2])
        seen.update(c for c in (False, True) if picture == view(Input(), cursor=c))
        return len(seen) == 2
    wait_until("the cursor on and off", both_phases, 3)
    return window


def cursor_blinks(options):
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        window = start_and_see_the_cursor_blink(s, options)
        s.close_and_expect_exit_0(window, options.exit_timeout)


def refresh_through_a_flood(options):
    """5,000 key pairs at once: while the window takes them in, which under Wine lasts some
    seconds, the host's refresh goes on, its cursor blinking every 500 ms; then a close."""
    x, y = pictures.CURSOR[:2]
    at = 3 * ((y + 1) * WIDTH + x)  # the cursor's first pixel, below the spare row
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        window = start_and_see_the_cursor_blink(s, options)
        s.flood_keys(window, 5000)
        phase, changed, longest = None, time.monotonic(), 0.0
        end = changed + 3
        while time.monotonic() < end:
            picture = s.grab(window)
            now = time.monotonic()
            lit = picture is not None and picture[2][at:at + 3] != bytes(BACKGROUND)
            if lit != phase:
                phase, longest, changed = lit, max(longest, now - changed), now
        longest = max(longest, time.monotonic() - changed)
        if longest > 1.5:  # three blinks: loose, for a loaded machine
            raise Failure(f"the cursor stayed as it was for {longest:.1f} s while the flood was taken in")
        print(f"        longest time without a blink: {1000 * longest:.0f} ms")
        s.close_and_expect_exit_0(window, 30)  # the close waits behind what is left of the flood


def viewer_and_end_of_run(options):
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        window = start_and_see_the_cursor_blink(s, options)

        s.keydown(window, "Left")
        s.keydown(window, "Shift_L")
        s.mousedown(window, 1)
        s.mousedown(window, 3)
        s.mousedown(window, 2)
        wait_for_view(s, window, Input(down=(37, 16, 1, 2, 4)), "Left, Shift and three buttons down")
        s.mouseup(window, 3)
        s.keyup(window, "Shift_L")
        wait_for_view(s, window, Input(down=(37, 1, 4)), "right button and Shift up")
        s.mouseup(window, 1)
        s.mouseup(window, 2)
        s.keyup(window, "Left")
        wait_for_view(s, window, Input(), "everything up")

        s.type_text(window, "Pictavon 2!")
        s.wheel(window, 3)
        s.wheel(window, -1)
        typed = Input(chars=b"Pictavon 2!", wheel=-240)
        wait_for_view(s, window, typed, "eleven characters and two notches away")

        s.keydown(window, "Escape")
        wait_for_view(s, window, Input(down=(27,), chars=typed.chars + b"\x1b", wheel=-240), "Escape down")
        s.check_running()
        s.keyup(window, "Escape")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        # The last picture stays, the cursor blinking over it, until a key closes the window.
        wait_for_view(s, window, Input(chars=typed.chars + b"\x1b", wheel=-240), "the last picture")
        s.wheel(window, 1)  # the wheel is no key: the window stays
        time.sleep(0.3)
        s.check_running()
        s.key_closes_with_exit_0(window, "space", options.exit_timeout)


if __name__ == "__main__":
    harness.main([viewer_and_end_of_run, cursor_blinks, refresh_through_a_flood], __doc__)
