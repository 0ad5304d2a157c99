"""The shipped program, started as ./run starts it: its window, a picture that is not
blank, and a clean exit with code 0 when it is closed."""

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE


def shipped_program(options):
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        geometry = s.geometry(window)
        if (geometry["width"], geometry["height"]) != (240, 160):
            raise Failure(f"client area {geometry['width']} x {geometry['height']}")

        def drawn():
            picture = s.grab(window)
            if picture is None:
                return False
            rgb = picture[2]
            return len(set(rgb[i:i + 3] for i in range(0, len(rgb), 3))) > 8
        wait_until("a picture of more than a few colours", drawn, 5)
        s.close_and_expect_exit_0(window, options.exit_timeout)


if __name__ == "__main__":
    harness.main([shipped_program], __doc__)
