"""--record on the live demo, then its headless twin along the file: with real key events
under Xvfb, the replay's last picture is the live window's last picture.

    python3 e2e_record.py [harness options] --cwd ASSETS --replay "[RUNNER] DEMO-replay" -- [RUNNER] DEMO
"""
import os
import shlex
import subprocess
import sys
import tempfile
import time

import harness
from e2e_demo import settled_picture
from harness import Failure, Session, read_png
from pictures import difference

HOLDS = [("Up", 0.35), ("Left", 0.2), ("Up", 0.15), ("e", 0.1), ("Right", 0.25)]


def record_then_replay(options):
    with tempfile.TemporaryDirectory() as work:
        timeline = os.path.join(work, "recorded.txt")
        with Session([*options.command, "--record", timeline], cwd=options.cwd, xwin=options.xwin) as s:
            s.start()
            window = s.find_window(harness.WINDOW_TITLE, options.start_timeout)
            settled_picture(s, window)
            for key, seconds in HOLDS:
                s.keydown(window, key)
                time.sleep(seconds)
                s.keyup(window, key)
            live = settled_picture(s, window)
            s.close_and_expect_exit_0(window, options.exit_timeout)
        result = subprocess.run([*shlex.split(options.replay), "--replay", timeline, "--pictures", work], cwd=options.cwd,
                                capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            raise Failure(f"the replay ended with {result.returncode}: {result.stderr}")
        wrong = difference(read_png(os.path.join(work, "last.png"))[2], live)
        if wrong:
            raise Failure(f"the replay's last picture is not the live window's: {wrong}\n{open(timeline).read()}")


if __name__ == "__main__":
    harness.main([record_then_replay], __doc__)
