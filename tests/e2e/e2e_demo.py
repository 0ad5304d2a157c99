"""The demo end to end: its first view, and what each control leaves on screen once the
key has been held for about a second, against frame_tool's pictures of the states the hold
can reach. Key timing is not guessed: a hold of n periods must match one step count."""
import os
import subprocess
import tempfile
import time

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
START = (6144, 6144, 5120, 32)  # x, z, height, heading
HOLD_S = 1.0
MAX_STEPS = 100  # a one-second hold is about 50 periods; leave room for a slow start


class Frames:
    """frame_tool's picture of a camera, as a capture holds it (RGB, top row first)."""

    def __init__(self, tool, sprite):
        self.tool, self.sprite, self.cache = tool, sprite, {}

    def __call__(self, x, z, height, heading):
        camera = (x, z, height, heading % 256)
        if camera not in self.cache:
            with tempfile.NamedTemporaryFile(suffix=".ppm") as out:
                subprocess.run([self.tool, *map(str, camera), self.sprite, out.name], check=True)
                data = open(out.name, "rb").read()
            self.cache[camera] = data.split(b"\n", 3)[3]
        return self.cache[camera]


def settled_picture(s, window, timeout_s=3):
    """A capture that two grabs 60 ms apart agree on: the view once the demo stops moving."""
    last = [None]

    def same_twice():
        picture = s.grab(window)
        if picture is None:
            raise Failure("the window went away")
        if picture[2] == last[0]:
            return picture[2]
        last[0] = picture[2]
        time.sleep(0.06)
        return None
    return wait_until("the view to settle", same_twice, timeout_s, step_s=0)


def start_demo(s, options, frames):
    s.start()
    window = s.find_window(TITLE, options.start_timeout)
    wait_until("the start view", lambda: settled_picture(s, window) == frames(*START), 10)
    return window


def hold(s, window, key):
    s.keydown(window, key)
    time.sleep(HOLD_S)
    s.keyup(window, key)


def matching_steps(picture, frames, camera_after):
    """The step counts k in 1..MAX_STEPS whose camera_after(k) frame_tool draws as picture."""
    return [k for k in range(1, MAX_STEPS + 1) if frames(*camera_after(k)) == picture]


def check_control(options, key, camera_after, what):
    frames = Frames(options.frame_tool, os.path.join(options.cwd, "balle.bmp"))
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        window = start_demo(s, options, frames)
        hold(s, window, key)
        picture = settled_picture(s, window)
        steps = matching_steps(picture, frames, camera_after)
        if not steps:
            raise Failure(f"{what}: the view matches no reachable state")
        print(f"        {what}: {steps[0]} steps")
        s.close_and_expect_exit_0(window, options.exit_timeout)


def first_view_and_close(options):
    frames = Frames(options.frame_tool, os.path.join(options.cwd, "balle.bmp"))
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        window = start_demo(s, options, frames)
        s.close_and_expect_exit_0(window, options.exit_timeout)


def turn_right(options):
    check_control(options, "Right", lambda k: (6144, 6144, 5120, 32 + 2 * k), "right arrow")


def turn_left(options):
    check_control(options, "Left", lambda k: (6144, 6144, 5120, 32 - 2 * k), "left arrow")


def forward(options):
    check_control(options, "Up", lambda k: (6144 + 173 * k, 6144 + 173 * k, 5120, 32), "up arrow")


def backward(options):
    check_control(options, "Down", lambda k: (6144 - 169 * k, 6144 - 177 * k, 5120, 32), "down arrow")


def step_left(options):
    check_control(options, "a", lambda k: (6144 - 173 * k, 6144 + 173 * k, 5120, 32), "A")


def step_right(options):
    check_control(options, "r", lambda k: (6144 + 173 * k, 6144 - 173 * k, 5120, 32), "R")


def lower_to_the_floor(options):
    # Ten steps of 410 reach 1020, below which the camera does not go.
    check_control(options, "c", lambda k: (6144, 6144, max(5120 - 410 * k, 1020), 32), "C")


def raise_to_the_ceiling(options):
    check_control(options, "e", lambda k: (6144, 6144, min(5120 + 409 * k, 7165), 32), "E")


CHECKS = [first_view_and_close, turn_right, turn_left, forward, backward, step_left, step_right,
          lower_to_the_floor, raise_to_the_ceiling]

if __name__ == "__main__":
    harness.main(CHECKS, __doc__)
