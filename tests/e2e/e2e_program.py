"""The shipped program, started as ./run starts it: its window, a picture that is not
blank, and a clean exit with code 0 when it is closed; its zoom chosen to fit the screen;
a bad option refused before any window."""
import subprocess

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE


def shipped_program(options):
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        geometry = s.geometry(window)
        if (geometry["width"], geometry["height"]) != (240 * s.zoom, 160 * s.zoom):
            raise Failure(f"client area {geometry['width']} x {geometry['height']}")

        def drawn():
            picture = s.grab(window)
            if picture is None:
                return False
            rgb = picture[2]
            return len(set(rgb[i:i + 3] for i in range(0, len(rgb), 3))) > 8
        wait_until("a picture of more than a few colours", drawn, 5)
        s.close_and_expect_exit_0(window, options.exit_timeout)


def auto_zoom_fits_the_screen(options):
    """The largest zoom whose client area fits in three quarters of the screen both ways."""
    for screen, zoom in (("400x300x24", 1), ("1920x1080x24", 5)):
        with Session(options.command + ["--zoom", "auto"], cwd=options.cwd, xwin=options.xwin, zoom=zoom,
                     screen=screen) as s:
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            if (size := tuple(s.geometry(window)[k] for k in ("width", "height"))) != (240 * zoom, 160 * zoom):
                raise Failure(f"on a {screen} screen: client area {size}, not zoom {zoom}")
            s.close_and_expect_exit_0(window, options.exit_timeout)


def bad_options_end_with_code_2(options):
    """Exit code 2 and one line naming what is accepted. Natively with no display, where a
    window tried first would end with 1; Wine keeps it, or its server would serve the next
    tests a desktop with no display."""
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        env = {k: v for k, v in s.env().items() if k != "DISPLAY" or "wine" in options.command[0]}
        for args, zoom_env in ((["--zoom", "9"], ""), (["--zoom=x"], ""), (["--zoom"], ""), (["--help"], ""), ([], "0")):
            result = subprocess.run(options.command + args, env=dict(env, PICTAVON_ZOOM=zoom_env), cwd=options.cwd,
                                    capture_output=True, text=True, timeout=60)
            if result.returncode != 2 or sum("1 to 8 or auto" in line for line in result.stderr.splitlines()) != 1:
                raise Failure(f"{args} PICTAVON_ZOOM={zoom_env}: exit code {result.returncode}; {result.stderr!r}")


if __name__ == "__main__":
    harness.main([shipped_program, auto_zoom_fits_the_screen, bad_options_end_with_code_2], __doc__)
