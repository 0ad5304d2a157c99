"""The host's own refresh and the end of a run, end to end: the test host in "refresh"
mode writes a picture, never presents, and returns after 1.5 s."""
import time

import harness
import pictures
from harness import Failure, Session, wait_until

TITLE = "Programme Pictavon"
PROMPT = "Terminé. Appuyez sur une touche/cliquez pour continuer."


def wait_for_both_phases(s, window, what, timeout_s=3):
    """Captures until the picture has been seen with and without the cursor; any other
    picture fails at once."""
    plain, with_cursor = pictures.expected(), pictures.expected(cursor=True)
    seen = set()

    def both():
        picture = s.grab(window)
        if picture is None:
            raise Failure(f"{what}: the window went away")
        if picture[2] == plain:
            seen.add("plain")
        elif picture[2] == with_cursor:
            seen.add("cursor")
        elif seen:  # before the first refresh the window is still black
            raise Failure(f"{what}: unexpected picture: {pictures.difference(picture[2], plain)}")
        return len(seen) == 2
    wait_until(f"{what}: the picture with and without the cursor", both, timeout_s)


def refresh_and_end_of_run(options):
    with Session(options.command, env={"PICTAVON_TEST_MODE": "refresh"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        wait_for_both_phases(s, window, "while the routine runs")
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        # The cursor keeps blinking over the last picture until a key closes the window.
        wait_for_both_phases(s, window, "after the end")
        s.check_running()
        # Key states, not key presses: hold the key until the next tick has seen it.
        start = time.monotonic()
        s.keydown(window, "space")
        code = s.wait_exit(options.exit_timeout)
        if code != 0:
            raise Failure(f"exit code {code} after the closing key")
        print(f"        key to exit: {1000 * (time.monotonic() - start):.0f} ms")


if __name__ == "__main__":
    harness.main([refresh_and_end_of_run], __doc__)
