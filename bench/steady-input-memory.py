#!/usr/bin/env python3
"""Resident memory of a program under ordinary, steady input: on a fresh Xvfb, about 1,000
mixed events a second (pointer moves, strokes of the left button, digit keys) for SECONDS,
the program's resident memory read every second. Prints it at the start, at its highest and
at the end.

    bench/steady-input-memory.py [--seconds 120] -- PROGRAM [ARGS...]
    bench/steady-input-memory.py -- build/examples/paint/paint
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from e2e_same_input import K, Xtest  # noqa: E402
from harness import WINDOW_TITLE, Session  # noqa: E402


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(f.read().split("VmRSS:")[1].split()[0])


def main():
    argv = sys.argv[1:]
    split = argv.index("--") if "--" in argv else len(argv)
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--seconds", type=float, default=120)
    options = parser.parse_args(argv[:split])
    command = argv[split + 1:]
    if not command:
        raise SystemExit(__doc__)
    with Session(command) as s:
        s.start()
        window = s.find_window(WINDOW_TITLE, 30)
        geometry = s.geometry(window)
        xt = Xtest(s.display)
        samples, end, n = [resident_kb(s.proc.pid)], time.monotonic() + options.seconds, 0
        next_sample = time.monotonic() + 1
        while time.monotonic() < end:
            # A stroke: ten moves with the left button held, then a digit typed: 24 events.
            xt.button(1, True)
            for i in range(10):
                xt.move(geometry["x"] + 20 + (n * 7 + i * 13) % 200, geometry["y"] + 20 + (n * 5 + i * 11) % 120)
            xt.button(1, False)
            digit = K["1267"[n % 4]]
            xt.key(digit, True)
            xt.key(digit, False)
            n += 1
            time.sleep(0.01)  # about 1,000 events a second with the calls' own time
            if time.monotonic() >= next_sample:
                samples.append(resident_kb(s.proc.pid))
                next_sample += 1
        xt.close()
        s.close(window)
        s.wait_exit(10)
    print(f"{n * 14} events in {options.seconds:.0f} s; resident memory (KB): start {samples[0]}, "
          f"highest {max(samples)}, end {samples[-1]}, grown {samples[-1] - samples[0]}")


if __name__ == "__main__":
    main()
