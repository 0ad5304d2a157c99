"""The shipped program, started as ./run starts it: its window, a picture that is not
blank, and a clean exit with code 0 when it is closed; its zoom chosen to fit the screen;
--rest leaving the processor free; a bad option refused before any window; TERM, INT and HUP
ending it with code 0 from its start on."""
import glob
import signal
import subprocess
import time

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
        for args, variable, said in (
                (["--zoom", "9"], {}, "1 to 8 or auto"), (["--zoom"], {}, "1 to 8 or auto"),
                (["--help"], {}, "--zoom (1 to 8 or auto), --rest"), (["--rest=1"], {}, "unknown argument"),
                ([], {"PICTAVON_ZOOM": "0"}, "1 to 8 or auto"), ([], {"PICTAVON_REST": "yes"}, "1 or 0")):
            result = subprocess.run(options.command + args, env=dict(env, **variable), cwd=options.cwd,
                                    capture_output=True, text=True, timeout=60)
            if result.returncode != 2 or sum(said in line for line in result.stderr.splitlines()) != 1:
                raise Failure(f"{args} {variable}: exit code {result.returncode}; {result.stderr!r}")


def caught_signals(pid):
    status = open(f"/proc/{pid}/status").read()
    return int(status.split("SigCgt:")[1].split()[0], 16)


def signals_from_the_start(options):
    """The program's code catches TERM, INT and HUP first thing (before it, the system is
    still loading its libraries, and a signal ends it as it would any program). Sent 0, 1,
    2 and 5 ms after that, twice each: while the options are read, SDL starts, the window
    is made and the routine's first frame drawn."""
    wanted = sum(1 << (sig - 1) for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP))
    with Session(options.command, cwd=options.cwd, xwin=options.xwin) as s:
        for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            for delay_ms in (0, 1, 2, 5) * 2:
                s.start()
                wait_until("TERM, INT and HUP caught", lambda: caught_signals(s.proc.pid) & wanted == wanted, 5,
                           step_s=0.0002)
                time.sleep(delay_ms / 1000)
                s.proc.send_signal(sig)
                code = s.wait_exit(options.exit_timeout + 2)
                if code != 0:
                    raise Failure(f"exit code {code} after {sig.name} {delay_ms} ms after the start")


def processor_seconds(display):
    """User and system time of the processes started for this display (Wine's among them)."""
    total = 0
    for environ in glob.glob("/proc/[0-9]*/environ"):
        try:
            if f"DISPLAY={display}\0".encode() in open(environ, "rb").read():
                fields = open(environ[:-7] + "stat").read().rsplit(")", 1)[1].split()
                total += int(fields[11]) + int(fields[12])
        except OSError:
            continue  # gone meanwhile, or not ours to read
    return total / 100


def rest_leaves_the_processor_free(options):
    """The demo's busy frame wait takes a whole processor; with --rest (and a zoom) it rests."""
    with Session(options.command + ["--rest", "--zoom", "2"], cwd=options.cwd, xwin=options.xwin, zoom=2) as s:
        s.start()
        window = s.find_window(TITLE, options.start_timeout)
        time.sleep(1)
        before, started = processor_seconds(s.display), time.monotonic()
        time.sleep(3)
        share = (processor_seconds(s.display) - before) / (time.monotonic() - started)
        print(f"        --rest: {100 * share:.0f}% of a processor")
        if share > 0.3:
            raise Failure(f"with --rest the program took {100 * share:.0f}% of a processor")
        s.close_and_expect_exit_0(window, options.exit_timeout)


if __name__ == "__main__":
    harness.main([shipped_program, auto_zoom_fits_the_screen, bad_options_end_with_code_2, signals_from_the_start,
                  rest_leaves_the_processor_free], __doc__)
