"""Starting and stopping honestly: with no display the program says so in one line and ends
with code 1, as on a display whose visuals cannot show 24-bit pictures (depth 8), where
depth 16 works; closed windows end with code 0, or a window another client destroys, one start after another on the same X server;
and an X server that goes away ends the program at once with a message, through _exit, so
no exit handler runs (the test host prints a line from one if it ever does)."""
import os
import signal
import subprocess
import time

import harness
from harness import Failure, Session, wait_until

TITLE = harness.WINDOW_TITLE
INPUT_REPORT = ("chars:", "wheel_total:", "taken:", "presses:")  # the test routine's last words
EXIT_HANDLER_LINE = "exit handlers ran"


def free_display():
    """A display number that no X server serves here."""
    number = 7391
    while os.path.exists(f"/tmp/.X11-unix/X{number}") or os.path.exists(f"/tmp/.X{number}-lock"):
        number += 1
    return f":{number}"


def run_without_window(command, env, timeout_s=5):
    """(exit code, stderr, seconds) of a run that is expected to end by itself."""
    start = time.monotonic()
    proc = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    try:
        _, err = proc.communicate(timeout=timeout_s)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        raise Failure(f"still running after {timeout_s} s with no window to show (an invisible run)")
    return proc.returncode, err.decode("utf-8", "replace"), time.monotonic() - start


def no_display(options):
    program = os.path.basename(options.command[-1])
    base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
    cases = [("DISPLAY unset", {}, "DISPLAY is not set"),
             ("DISPLAY empty", {"DISPLAY": ""}, "DISPLAY is not set"),
             ("DISPLAY invalid", {"DISPLAY": "no-such-display"}, "DISPLAY=no-such-display"),
             ("no X server there", {"DISPLAY": free_display()}, "cannot connect to DISPLAY=:"),
             ("the X driver chosen", {"SDL_VIDEODRIVER": "x11"}, "DISPLAY is not set")]
    for what, extra, reason in cases:
        code, err, seconds = run_without_window(options.command, dict(base, **extra))
        lines = err.splitlines()
        if code != 1:
            raise Failure(f"{what}: exit code {code}, not 1; stderr: {err!r}")
        if len(lines) != 1 or not lines[0].startswith(f"{program}: cannot open a window: no display"):
            raise Failure(f"{what}: not one line naming {program} and what failed: {err!r}")
        if reason not in lines[0] or "SDL: " not in lines[0]:
            raise Failure(f"{what}: the line does not say {reason!r} and SDL's error: {lines[0]!r}")
        print(f"        {what}: code 1 in {1000 * seconds:.0f} ms: {lines[0]}")


def chosen_driver_stands(options):
    """A driver the user names is used as named, even one that shows nothing."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env["SDL_VIDEODRIVER"] = "dummy"
    proc = subprocess.Popen(options.command, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    try:
        time.sleep(0.5)
        if proc.poll() is not None:
            raise Failure(f"ended with code {proc.returncode} on the chosen dummy driver: "
                          f"{proc.stderr.read().decode()!r}")
        proc.send_signal(signal.SIGTERM)  # SDL makes a close request of it
        code = proc.wait(timeout=5)
        if code != 0:
            raise Failure(f"exit code {code} after SIGTERM on the dummy driver")
    except subprocess.TimeoutExpired:
        raise Failure("SIGTERM did not end the run on the dummy driver")
    finally:
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        proc.stderr.close()


def quick_succession(options):
    """Ten runs on one X server, each started as soon as the one before has ended."""
    with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        for run in range(10):
            s.start()
            window = s.find_window(TITLE, options.start_timeout)
            if run % 2:
                s.close(window)
            else:
                s.proc.send_signal(signal.SIGTERM)
            code = s.wait_exit(options.exit_timeout + 2)
            if code != 0 or "cannot" in s.output():
                raise Failure(f"run {run + 1}: exit code {code}; output:\n{s.output()}")


def session_processes(session_id):
    """The processes of a session, from /proc."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[3]) == session_id:  # after the name: state, ppid, pgrp, session
            found.append(int(entry))
    return found


def display_lost(options):
    program = os.path.basename(options.command[-1])
    with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        with open(s.output_path, "wb") as out:
            s.proc = subprocess.Popen(s.command, env=s.env(), cwd=s.cwd, stdout=out, stderr=subprocess.STDOUT,
                                      stdin=subprocess.DEVNULL, start_new_session=True)
        s.find_window(TITLE, options.start_timeout)
        time.sleep(0.2)  # presents under way
        start = time.monotonic()
        s.xvfb.kill()
        s.xvfb.wait()
        code = s.wait_exit(1)
        seconds = time.monotonic() - start
        left = session_processes(s.proc.pid)
        output = s.output()
        lines = [line for line in output.splitlines() if line and not line.startswith(INPUT_REPORT)]
        if code == 0:
            raise Failure(f"exit code 0 after the X server went away; output:\n{output}")
        if EXIT_HANDLER_LINE in output:
            raise Failure(f"the process ended through exit(), running exit handlers; output:\n{output}")
        if len(lines) != 1 or not lines[0].startswith(f"{program}: lost the X display"):
            raise Failure(f"not one line naming {program} and the lost display; output:\n{output}")
        if left:
            raise Failure(f"processes left behind: {left}")
        print(f"        gone {1000 * seconds:.0f} ms after the X server, code {code}: {lines[0]}")


def display_depths(options):
    program = os.path.basename(options.command[-1])
    for depth, shows in ((8, False), (16, True)):
        with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                     xwin=options.xwin, screen=f"640x480x{depth}") as s:
            if shows:
                s.start()
                s.close_and_expect_exit_0(s.find_window(TITLE, options.start_timeout), options.exit_timeout)
                continue
            code, err, _ = run_without_window(options.command, s.env())
            lines = err.splitlines()
            if code != 1 or len(lines) != 1 or not lines[0].startswith(f"{program}: cannot open a window: ") \
                    or "no visual for 24-bit pictures (depth 8" not in lines[0]:
                raise Failure(f"depth {depth}: exit code {code}, stderr {err!r}")


def destroyed_by_another_client(options):
    """xdotool windowclose destroys the window: the run ends as a destroyed window does, code
    0, without Xlib's error report and without exit()."""
    with Session(options.command, env={"PICTAVON_TEST_MODE": "present"}, cwd=options.cwd,
                 xwin=options.xwin) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        time.sleep(0.1)  # presents under way
        s.run("xdotool", "windowclose", window)
        code = s.wait_exit(options.exit_timeout)
        left = [line for line in s.output().splitlines() if not line.startswith(INPUT_REPORT)]
        if code != 0 or left:
            raise Failure(f"exit code {code} after the window was destroyed; output:\n{s.output()}")


if __name__ == "__main__":
    harness.main([no_display, chosen_driver_stands, quick_succession, display_lost, display_depths,
                  destroyed_by_another_client], __doc__)
