"""The paint example (examples/paint) end to end: the pointer in surface pixels, clicks and
strokes painted where they land, colour keys taken as presses, and the status line written
with draw_text, compared byte for byte with what paint_status draws without a window."""
import subprocess

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."
WIDTH = 240
RED = bytes((0xE0, 0x20, 0x20))


def status_line(options, x, y, inside, colour):
    """Window rows 1..8 (surface rows 0..7) as paint_status draws them."""
    result = subprocess.run([options.frame_tool, str(x), str(y), str(int(inside)), str(colour)],
                            capture_output=True, check=True, timeout=30)
    return result.stdout


def wait_for(s, window, what, predicate, timeout_s=5):
    def shown():
        picture = s.grab(window)
        if picture is None:
            raise Failure(f"{what}: the window went away")
        return predicate(picture[2])
    wait_until(what, shown, timeout_s)


def status_is(band):
    return lambda rgb: rgb[3 * WIDTH:9 * 3 * WIDTH] == band


def red_at(*points):
    """Surface pixels (x, y), shown at window row y + 1."""
    return lambda rgb: all(rgb[3 * ((y + 1) * WIDTH + x):][:3] == RED for x, y in points)


def painting_with_the_pointer(options):
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        s.xdotool(window, "mousemove", "--window", window, "100", "81")
        wait_for(s, window, "the pointer at (100, 80) in black", status_is(status_line(options, 100, 80, True, 0)))
        s.key(window, "3")
        wait_for(s, window, "red chosen", status_is(status_line(options, 100, 80, True, 2)))
        s.xdotool(window, "click", "1")
        wait_for(s, window, "a red dot where the click fell", red_at((100, 80)))
        # One jump of the pointer while the button is held: the stroke has no gap. Each step
        # waits to be shown, so that even a slow build sees the press, then a held move.
        s.mousedown(window, 1, 20, 51)
        wait_for(s, window, "the stroke's first dot", red_at((20, 50)))
        s.xdotool(window, "mousemove", "--window", window, "60", "51")
        wait_for(s, window, "an unbroken red stroke", red_at(*((x, 50) for x in range(20, 61))))
        s.mouseup(window, 1, 60, 51)
        s.xdotool(window, "mousemove", "--window", window, "300", "300")
        wait_for(s, window, "the pointer outside", status_is(status_line(options, 0, 0, False, 2)))
        s.key(window, "Escape")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        s.key_closes_with_exit_0(window, "space", options.exit_timeout)


if __name__ == "__main__":
    harness.main([painting_with_the_pointer], __doc__)
