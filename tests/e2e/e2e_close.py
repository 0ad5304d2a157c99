"""Closing at any moment ends the process with code 0 within a second, while the program
thread presents every 20 ms: right as the window appears, and a little later each time;
while characters are still being typed; when another client destroys the window; TERM, INT and
HUP too, from the start on; and right after a flood of keys, which the window takes in batches between its other work."""
import signal
import subprocess
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


def type_while_closing(options):
    """Keys still arriving when the close request comes are fetched after it: the run still
    ends with code 0, never with one of their codes."""
    codes = []
    for delay_ms in range(100, 500, 50):  # each run catches the race about one time in three
        with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                     xwin=options.xwin) as s:
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            typing = subprocess.Popen(["xdotool", "windowfocus", window, "type", "--delay", "1", "AzErTy" * 40],
                                      env=s.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                time.sleep(delay_ms / 1000)  # typing under way
                s.close(window)
                # The close request comes after the keys already sent: the program may have
                # all of them to go through first, so its time counts from the last one.
                typing.wait(timeout=30)
                codes.append(s.wait_exit(options.exit_timeout))
            except subprocess.TimeoutExpired:
                raise Failure("xdotool was still typing after 30 s")
            finally:
                typing.kill()
                typing.wait()
    if any(codes):
        raise Failure(f"exit codes {codes} after closing while typing, not all 0")


def destroyed_from_outside(options):
    """Another X client destroys the window (xdotool windowclose): the run ends with code 0,
    as on a close, whether the routine presents or the host's refresh does."""
    for mode in ("present", "refresh"):
        with Session(options.command, env={"PICTAVON_TEST_MODE": mode}, cwd=options.cwd, xwin=options.xwin) as s:
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            s.run("xdotool", "windowclose", window)
            code = s.wait_exit(options.exit_timeout)
            if code != 0:
                raise Failure(f"{mode}: exit code {code} once the window was destroyed; output:\n{s.output()}")


def terminate(options):
    """TERM, INT and HUP end the run as a close does, with code 0 (from the first instruction
    on: e2e_program.py)."""
    with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            s.start()
            s.find_window(TITLE, options.start_timeout)
            s.proc.send_signal(sig)
            code = s.wait_exit(options.exit_timeout)
            if code != 0:
                raise Failure(f"exit code {code} after {sig.name}")


def resident_kb(pid):
    status = open(f"/proc/{pid}/status").read()
    return int(status.split("VmRSS:")[1].split()[0])


def close_after_flood(options):
    """20,000 key pairs, then a close request or SIGTERM: the run still ends within the exit
    timeout (SDL's look through the whole queue at each key release once took seconds). And
    6,000 pairs in bursts the window takes whole leave its resident memory as it was (the
    event backlog starts again at its head whenever it empties), then a close."""
    for how in ("close box", "SIGTERM", "steady input"):
        with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                     xwin=options.xwin) as s:
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            if how == "steady input":
                s.flood_keys(window, 1000, burst=50)  # every path taken once
                time.sleep(0.2)
                before = resident_kb(s.proc.pid)
                s.flood_keys(window, 6000, burst=50)
                time.sleep(0.2)
                grown = resident_kb(s.proc.pid) - before
                # AddressSanitizer keeps freed memory in quarantine: no measure of the backlog.
                sanitized = "libasan" in open(f"/proc/{s.proc.pid}/maps").read()
                if grown > 1024 and not sanitized:  # 12,000 events through the backlog are 2.3 MB
                    raise Failure(f"resident memory grew {grown} KB under steady input")
            else:
                s.flood_keys(window, 20000)
            if how == "SIGTERM":
                s.proc.send_signal(signal.SIGTERM)
            else:
                s.close(window)
            code = s.wait_exit(options.exit_timeout)
            if code != 0:
                raise Failure(f"{how} after the flood: exit code {code}")


if __name__ == "__main__":
    harness.main([close_at_any_moment, type_while_closing, destroyed_from_outside, terminate, close_after_flood],
                 __doc__)
