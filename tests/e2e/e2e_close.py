"""Closing at any moment ends the process with code 0 within a second, while the program
thread presents every 20 ms: right as the window appears, and a little later each time;
SIGTERM too, which SDL makes a close request."""
import signal
import time

import harness
from harness import Failure, Session

TITLE = harness.WINDOW_TITLE


def close_at_any_moment(options):
    for delay_ms in (0, 7, 23, 41, 90):
        with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                     xwin=options.xwin) as s:
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            time.sleep(delay_ms / 1000)  # spreads the close over the program's frames
            s.close(window)
            code = s.wait_exit(options.exit_timeout)
            if code != 0:
                raise Failure(f"closed after {delay_ms} ms: exit code {code}; output:\n{s.output()}")


def terminate(options):
    with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        s.start()
        s.find_window(TITLE, options.start_timeout)
        s.proc.send_signal(signal.SIGTERM)
        code = s.wait_exit(options.exit_timeout)
        if code != 0:
            raise Failure(f"exit code {code} after SIGTERM")


if __name__ == "__main__":
    harness.main([close_at_any_moment, terminate], __doc__)
