#!/usr/bin/env python3
"""Splits the running demo's present delays by owner, from the kernel's trace points (root
only), over SECONDS:

- the program thread's pacing: the intervals between its hand-offs (its 8-byte writes to
  the window thread's wake-up counter);
- the hand-off: from such a write to the window thread's next request to the X server
  (its next writev or sendmsg), the window thread's wake-up alone; a hand-off later than
  0.5 ms is late;
- with XSERVER_PID, the X server's own wake-ups: from its wake-up to its running, which
  is the other processor's business (an idle virtual processor takes a while to wake).

    bench/handoffs.py PID SECONDS [XSERVER_PID]

The window thread is the process's first (its id is the process's); every other thread's
8-byte writes count as hand-offs. Mounts tracefs when it is not, and traces in an instance
of its own, removed at the end.
"""
import os
import re
import sys
import time

TRACEFS = "/sys/kernel/tracing"
LATE_MS = 0.5
# "   comm-tid   [cpu] flags   seconds: sys_write(fd: ..)" for a system call, and
# "   comm-tid   [cpu] flags   seconds: sched_switch: ..." for a scheduler event.
EVENT = re.compile(r"^\s*.+?-(\d+)\s+\[\d+\]\s+\S+\s+(\d+\.\d+): (\w+)[:(] ?(.*)$")


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def mount_tracefs():
    if not os.path.exists(os.path.join(TRACEFS, "instances")):
        if os.system(f"mount -t tracefs nodev {TRACEFS}") != 0:
            sys.exit("handoffs: cannot mount tracefs (run as root)")


def filters(pid, xserver):
    """{event: filter} for the process's threads and the X server."""
    tids = [int(t) for t in os.listdir(f"/proc/{pid}/task")]
    others = " || ".join(f"common_pid == {t}" for t in tids if t != pid)
    if not others:
        sys.exit(f"handoffs: process {pid} has no program thread")
    chosen = {"syscalls/sys_enter_write": f"({others}) && count == 8",
              "syscalls/sys_enter_writev": f"common_pid == {pid}",
              "syscalls/sys_enter_sendmsg": f"common_pid == {pid}"}
    if xserver:
        chosen["sched/sched_waking"] = f"pid == {xserver}"
        chosen["sched/sched_switch"] = f"next_pid == {xserver}"
    return chosen


def trace(pid, seconds, xserver):
    """The instance's text after SECONDS of tracing."""
    events = filters(pid, xserver)
    instance = os.path.join(TRACEFS, "instances", f"pictavon-handoffs-{os.getpid()}")
    os.mkdir(instance)
    try:
        write(f"{instance}/buffer_size_kb", "8192")
        write(f"{instance}/trace_clock", "mono")
        for event, condition in events.items():
            write(f"{instance}/events/{event}/filter", condition)
            write(f"{instance}/events/{event}/enable", "1")
        write(f"{instance}/tracing_on", "1")
        time.sleep(seconds)
        write(f"{instance}/tracing_on", "0")
        with open(f"{instance}/trace") as f:
            return f.read()
    finally:
        for event in events:
            write(f"{instance}/events/{event}/enable", "0")
        os.rmdir(instance)


def delays_ms(text):
    """(hand-off times, each hand-off's delay to the window thread's next X request, each of
    the X server's wake-up delays), in ms."""
    handoffs, delays, waiting, wakes, woken = [], [], [], [], None
    for line in text.splitlines():
        match = EVENT.match(line)
        if not match:
            continue
        event, at_ms = match.group(3), float(match.group(2)) * 1e3
        if event == "sys_write":
            handoffs.append(at_ms)
            waiting.append(at_ms)
        elif event in ("sys_writev", "sys_sendmsg"):  # every waiting hand-off has reached the server
            delays += [at_ms - h for h in waiting]
            waiting = []
        elif event == "sched_waking":
            woken = at_ms if woken is None else woken
        elif event == "sched_switch" and woken is not None:
            wakes.append(at_ms - woken)
            woken = None
    return handoffs, delays, wakes


def summary(what, values):
    if not values:
        return f"{what}: no samples"
    v = sorted(values)
    return (f"{what}: n={len(v)} median {v[len(v) // 2]:.3f} ms, "
            f"p99 {v[min(len(v) - 1, len(v) * 99 // 100)]:.3f} ms, max {v[-1]:.3f} ms")


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    pid, seconds = int(sys.argv[1]), float(sys.argv[2])
    xserver = int(sys.argv[3]) if len(sys.argv) == 4 else None
    mount_tracefs()
    handoffs, delays, wakes = delays_ms(trace(pid, seconds, xserver))
    print(summary("program thread's hand-off intervals", [b - a for a, b in zip(handoffs, handoffs[1:])]))
    print(summary("hand-off to the X server", delays))
    late = sum(d > LATE_MS for d in delays)
    print(f"late hand-offs (more than {LATE_MS} ms to the X server): {late} of {len(delays)}")
    if xserver:
        print(summary("X server's wake-up to running", wakes))


if __name__ == "__main__":
    main()
