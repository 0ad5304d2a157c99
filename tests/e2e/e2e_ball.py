"""The bouncing ball (examples/ball) end to end: a routine that presents its own frames on
the frame clock. Every capture must be one of the frames that ball_frames draws without a
window; holding Space stops the motion on one frame, which must match exactly."""
import os
import subprocess
import tempfile
import time

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."
FRAME_BYTES = 240 * 160 * 3


def expected_frames(options):
    """{picture: frame index} for one period of the motion, from the headless tool."""
    sprite = os.path.join(options.cwd, "balle.bmp")
    with tempfile.NamedTemporaryFile(suffix=".rgb") as out:
        subprocess.run([options.frame_tool, sprite, out.name], check=True, timeout=60)
        data = open(out.name, "rb").read()
    if len(data) == 0 or len(data) % FRAME_BYTES != 0:
        raise Failure(f"ball_frames wrote {len(data)} bytes, not whole frames")
    frames = {}
    for n in range(len(data) // FRAME_BYTES):
        frames.setdefault(data[n * FRAME_BYTES:(n + 1) * FRAME_BYTES], n)
    return frames


def settled_frame(s, window, frames, what, timeout_s=5):
    """The frame index of a picture that two grabs 100 ms apart agree on."""
    last = [None]

    def same_twice():
        picture = s.grab(window)
        if picture is None:
            raise Failure(f"{what}: the window went away")
        if picture[2] == last[0]:
            return picture[2]
        last[0] = picture[2]
        time.sleep(0.1)
        return None
    picture = wait_until(what, same_twice, timeout_s, step_s=0)
    if picture not in frames:
        raise Failure(f"{what}: the still picture is none of the ball's frames")
    return frames[picture]


def bouncing_ball(options):
    frames = expected_frames(options)
    if len(frames) != 160:
        raise Failure(f"{len(frames)} distinct frames in the period instead of 160")
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        # Moving: captures show the frames in their order, one period wrapping to the next.
        matched, strays, deadline = [], 0, time.monotonic() + 3
        while time.monotonic() < deadline:
            picture = s.grab(window)
            if picture is None:
                raise Failure("the window went away")
            if picture[2] in frames:
                matched.append(frames[picture[2]])
            elif matched:
                strays += 1  # Wine's copy can be caught half-way; SDL's never
        distinct = len(set(matched))
        print(f"        {len(matched)} captures matched {distinct} frames, {strays} did not")
        if distinct < 10 or strays > len(matched) // 4:
            raise Failure(f"the ball did not move through its frames: {distinct} frames seen, "
                          f"{strays} captures out of {len(matched) + strays} matched none")
        forward = sum(1 for a, b in zip(matched, matched[1:]) if 0 < (b - a) % 160 < 80)
        backward = sum(1 for a, b in zip(matched, matched[1:]) if (b - a) % 160 >= 80)
        if forward <= 3 * backward:
            raise Failure(f"the frames do not advance: {forward} steps forward, {backward} back")

        # Held still by Space: one exact frame, the same for as long as the key is down.
        s.keydown(window, "space")
        first = settled_frame(s, window, frames, "the ball stopped by Space")
        time.sleep(0.3)
        if settled_frame(s, window, frames, "the ball still stopped") != first:
            raise Failure("the ball moved while Space was held")
        s.keyup(window, "space")
        time.sleep(0.5)
        s.keydown(window, "space")
        second = settled_frame(s, window, frames, "the ball stopped again")
        s.keyup(window, "space")
        if second == first:
            raise Failure(f"the ball did not move between two stops (frame {first})")
        print(f"        stopped on frames {first} and {second}")

        # Key states, not presses: hold Escape until the routine has seen it and returned.
        s.keydown(window, "Escape")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        s.keyup(window, "Escape")
        s.check_running()
        s.mousedown(window, 1)
        code = s.wait_exit(options.exit_timeout)
        if code != 0:
            raise Failure(f"exit code {code} after the closing click")


if __name__ == "__main__":
    harness.main([bouncing_ball], __doc__)
