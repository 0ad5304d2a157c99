"""The demo started where balle.bmp is no picture file: a FIFO with no writer, a directory,
a link to /dev/zero, a PNG that inflates to 16 MiB for its one pixel. Each shows the floor without the sprite within a second of the window
appearing, and closing the window ends the run with code 0."""
import os
import shutil
import tempfile
import time

import e2e_demo
import harness
from harness import Session, wait_until

TITLE = harness.WINDOW_TITLE

ODD_FILES = {
    "a FIFO with no writer": os.mkfifo,
    "a directory": os.mkdir,
    "a link to /dev/zero": lambda path: os.symlink("/dev/zero", path),
    "a hostile PNG": lambda path: shutil.copy(os.path.join(harness.ROOT, "tests/images/corpus/zlib-bomb.png"), path),
}


def odd_sprite_files(options):
    floor_alone = e2e_demo.Frames(options.frame_tool, "-")(*e2e_demo.START)
    for what, make in ODD_FILES.items():
        folder = tempfile.mkdtemp(prefix="pictavon-sprite-")
        try:
            make(os.path.join(folder, "balle.bmp"))
            with Session(options.command, cwd=folder, xwin=options.xwin) as s:
                s.start()
                window = s.find_window(TITLE, options.start_timeout)
                start = time.monotonic()

                def floor_shown():
                    picture = s.grab(window)
                    return picture is not None and picture[2] == floor_alone
                wait_until(f"the floor without the sprite, balle.bmp being {what}", floor_shown, 1)
                print(f"        {what}: the floor {1000 * (time.monotonic() - start):.0f} ms after the window")
                s.close_and_expect_exit_0(window, options.exit_timeout)
        finally:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    harness.main([odd_sprite_files], __doc__)
