"""How long the Windows program takes under Wine from its start to its first picture: the
first capture of its window with more than a few colours, polled every 20 ms.

    python3 bench/wine_startup.py --prefix DIR [--runs N] [--cold] [--cwd DIR] -- PROGRAM.exe

--cold deletes the prefix first, so the first run makes it anew (some seconds, some hundred
megabytes). Each later run waits for the previous Wine server to end, so it starts afresh
on the prefix left on disk; with --server-kept it starts while that server still runs, as
the tests of one CTest run mostly do.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from harness import WINDOW_TITLE, Session, wait_until  # noqa: E402


def first_picture_s(command, cwd, xwin):
    with Session(command, cwd=cwd, xwin=xwin) as s:
        start = time.monotonic()
        s.start()
        window = s.find_window(WINDOW_TITLE, 120)

        def drawn():
            picture = s.grab(window)
            return picture is not None and len({picture[2][i:i + 3] for i in range(0, len(picture[2]), 3)}) > 8
        wait_until("the first picture", drawn, 30, step_s=0.02)
        elapsed = time.monotonic() - start
        s.close(window)
        s.wait_exit(5)
        return elapsed


def main():
    split = sys.argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cold", action="store_true")
    parser.add_argument("--server-kept", action="store_true")
    parser.add_argument("--cwd")
    parser.add_argument("--xwin")
    options = parser.parse_args(sys.argv[1:split])
    prefix = os.path.abspath(options.prefix)
    env = dict(os.environ, WINEPREFIX=prefix)
    program = [os.path.abspath(sys.argv[split + 1])] + sys.argv[split + 2:]
    command = [os.path.join(HERE, "..", "tools", "wine-run.sh"), prefix] + program
    if options.cold:
        shutil.rmtree(prefix, ignore_errors=True)
    times = []
    for run in range(options.runs):
        if not options.server_kept:
            subprocess.run(["wineserver", "-w"], env=env, timeout=60)
        times.append(first_picture_s(command, options.cwd, options.xwin))
        print(f"run {run + 1}{' (new prefix)' if options.cold and run == 0 else ''}: {times[-1]:.2f} s",
              flush=True)
    later = times[1:] if options.cold else times
    if later:
        print(f"median of {len(later)} runs on the existing prefix: {statistics.median(later):.2f} s")


if __name__ == "__main__":
    main()
