"""The routine that the README prints (examples/hello): the README holds the file as it is,
and the program does what the README says: a blue band that the arrow keys move, Escape
ending the run, then one key closing the window."""
import os
import time

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."
ROOT = os.path.join(harness.HERE, "..", "..")
WIDTH, HEIGHT = 240, 160


def band_at(x):
    """The capture with the band's left edge at x: black, and rows 40..119 of the band in
    blue with green 2y; window row j shows surface row j - 1."""
    rgb = bytearray(WIDTH * HEIGHT * 3)
    for y in range(40, 120):
        row = 3 * (y + 1) * WIDTH
        rgb[row + 3 * x:row + 3 * (x + 40)] = bytes((0, 2 * y & 255, 255)) * 40
    return bytes(rgb)


def readme_prints_the_example(_options):
    source = open(os.path.join(ROOT, "examples", "hello", "hello.cpp"), encoding="utf-8").read()
    readme = open(os.path.join(ROOT, "README.md"), encoding="utf-8").read()
    if f"```cpp\n{source}```" not in readme:
        raise Failure("README.md does not print examples/hello/hello.cpp as it stands")


def hello_runs_as_printed(options):
    bands = {band_at(x): x for x in range(0, 201, 2)}
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        wait_until("the band at x = 100", lambda: s.grab(window)[2] == band_at(100), 10)
        s.keydown(window, "Right")
        time.sleep(0.5)
        s.keyup(window, "Right")

        def band_settled():
            first = s.grab(window)[2]
            time.sleep(0.1)
            return first if s.grab(window)[2] == first else None
        picture = wait_until("the band to stop", band_settled, 5, step_s=0)
        if picture not in bands:
            raise Failure("after Right, the window shows no band the routine draws")
        if bands[picture] <= 100:
            raise Failure("holding Right did not move the band right")
        print(f"        Right held 0.5 s: band at x = {bands[picture]}")
        # Key states, not presses: hold Escape until the routine has seen it and returned.
        s.keydown(window, "Escape")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        s.keyup(window, "Escape")
        s.check_running()
        s.key_closes_with_exit_0(window, "space", options.exit_timeout)


if __name__ == "__main__":
    harness.main([readme_prints_the_example, hello_runs_as_printed], __doc__)
