#!/usr/bin/python3
"""Draws the measurement plots of docs/performance.md from the data checked in beside this
script (bench/data/), the same bytes every time for the same data:

    bench/plot.py [--out DIR]      (default: docs/)
    bench/plot.py --check          whether docs/ holds what the data draw, byte for byte

Debian's python3-matplotlib, for the system's Python (/usr/bin/python3).

- periods.png: the demo's intervals between presents, busy-waiting and with --rest, beside
  a small framebuffer program, idle and with the other core busy (periods-LOAD-LABEL.txt,
  from SAMPLES_DIR=bench/data bench/compare-pacing.sh);
- present-latency.png: a present to the X server at zoom 1, 2 and 4 (present-zoomN.txt,
  from sdl_present_latency with PICTAVON_SAMPLES);
- floods.png: the window's next picture and the longest hold of processor 0 after floods of
  input, before and after the event batches (floods.csv);
- priority.png: present p99 and late hand-offs with the window thread real-time or not
  (priority.csv).
"""
import argparse
import csv
import filecmp
import os
import sys
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")
DOCS = os.path.join(HERE, "..", "docs")
# No date, version or random id in the files: the same data make the same bytes.
PNG_METADATA = {"Software": None}
LOADS = (("idle", "no load of the script's"), ("other", "the other core kept busy"))
PROGRAMS = (("demo", "demo (busy wait)"), ("demo-rest", "demo --rest"), ("peer", "peer (sleeps, plain Xlib)"))


def samples(name):
    with open(os.path.join(DATA, name)) as f:
        return sorted(float(line) for line in f if line.strip())


def rows(name):
    with open(os.path.join(DATA, name)) as f:
        return list(csv.DictReader(line for line in f if not line.startswith("#")))


def survival(ax, values, label):
    """The share of samples at least as long as x: the tail reads off the log scale (0.01
    is the 99th percentile)."""
    n = len(values)
    ax.step(values, [(n - i) / n for i in range(n)], where="post", label=f"{label} (n={n}, max {values[-1]:.0f} ms)")


def save(fig, out, name):
    fig.tight_layout()
    fig.savefig(os.path.join(out, name), dpi=80, metadata=PNG_METADATA)
    plt.close(fig)


def periods(out):
    fig, axes = plt.subplots(1, 2, figsize=(10, 4), sharey=True)
    for ax, (load, title) in zip(axes, LOADS):
        for label, legend in PROGRAMS:
            survival(ax, samples(f"periods-{load}-{label}.txt"), legend)
        ax.set_yscale("log")
        ax.set_xlim(15, 60)
        ax.axvline(20, color="grey", linewidth=0.5)
        ax.set_title(f"Intervals between presents, {title}", fontsize="medium")
        ax.set_xlabel("interval (ms)")
        ax.grid(True, which="both", linewidth=0.3)
    axes[0].set_ylabel("share of intervals this long or longer")
    axes[0].legend(fontsize="small")
    save(fig, out, "periods.png")


def present_latency(out):
    fig, ax = plt.subplots(figsize=(7, 4))
    for zoom in (1, 2, 4):
        survival(ax, samples(f"present-zoom{zoom}.txt"), f"zoom {zoom}")
    ax.set_xscale("log")
    ax.set_yscale("log")
    ax.set_title("A present from the program thread to the X server")
    ax.set_xlabel("latency (ms)")
    ax.set_ylabel("share of presents this slow or slower")
    ax.grid(True, which="both", linewidth=0.3)
    ax.legend(fontsize="small")
    save(fig, out, "present-latency.png")


def grouped_bars(ax, names, before, after, title, unit):
    places = range(len(names))
    ax.bar([p - 0.2 for p in places], before, 0.4, label="before the batches")
    ax.bar([p + 0.2 for p in places], after, 0.4, label="now")
    ax.set_xticks(list(places))
    ax.set_xticklabels(names, fontsize="small")
    ax.set_yscale("log")
    ax.set_ylim(bottom=1)  # bars start from the same 1 ms everywhere
    ax.set_title(title, fontsize="medium")
    ax.set_ylabel(unit)
    ax.grid(True, axis="y", which="both", linewidth=0.3)


def floods(out):
    table = rows("floods.csv")
    fig, axes = plt.subplots(2, 2, figsize=(11, 7))
    for column, privilege in enumerate(("root", "none")):
        picked = [r for r in table if r["privilege"] == privilege]
        names = [f"{r['flood']}" for r in picked]
        who = "as root" if privilege == "root" else "without the privilege"
        grouped_bars(axes[0][column], names, [float(r["picture_after_ms_before"]) for r in picked],
                     [float(r["picture_after_ms"]) for r in picked], f"Next picture after the flood, {who}", "ms")
        grouped_bars(axes[1][column], names, [float(r["off_processor_ms_before"]) for r in picked],
                     [float(r["off_processor_ms"]) for r in picked],
                     f"Longest time a loop was kept off processor 0, {who}", "ms")
    axes[0][0].legend(fontsize="small")
    save(fig, out, "floods.png")


def priority(out):
    table = rows("priority.csv")
    loads = list(dict.fromkeys(r["load"] for r in table))
    fig, axes = plt.subplots(1, 2, figsize=(10, 4))
    for offset, program in ((-0.2, "raised"), (0.2, "plain")):
        picked = [r for r in table if r["program"] == program]
        for ax, field in zip(axes, ("p99", "late")):
            for run in (1, 2, 3):
                values = [float(r[f"{field}_run{run}"]) for r in picked]
                ax.scatter([i + offset for i in range(len(loads))], values, marker="o",
                           color="C0" if program == "raised" else "C1",
                           label=f"window thread {program}" if run == 1 else None)
    axes[0].axhline(20, color="grey", linewidth=0.5)
    axes[0].set_title("Present interval p99 (ms), three 60 s runs")
    axes[1].set_yscale("symlog", linthresh=1)
    axes[1].set_title("Hand-offs later than 0.5 ms, per run")
    for ax in axes:
        ax.set_xticks(range(len(loads)))
        ax.set_xticklabels(loads, fontsize="small")
        ax.grid(True, axis="y", which="both", linewidth=0.3)
    axes[0].legend(fontsize="small")
    save(fig, out, "priority.png")


PLOTS = (periods, present_latency, floods, priority)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", default=DOCS, help="where the PNGs go (default: docs/)")
    parser.add_argument("--check", action="store_true", help="draw elsewhere and compare with docs/")
    options = parser.parse_args()
    matplotlib.rcParams["svg.hashsalt"] = "pictavon"
    with tempfile.TemporaryDirectory(prefix="pictavon-plots-") as scratch:
        out = scratch if options.check else options.out
        os.makedirs(out, exist_ok=True)
        for draw in PLOTS:
            draw(out)
        if options.check:
            names = sorted(os.listdir(scratch))
            kept = [os.path.join(DOCS, n) for n in names]
            differ = [n for n, k in zip(names, kept)
                      if not os.path.exists(k) or not filecmp.cmp(os.path.join(scratch, n), k, shallow=False)]
            print(f"{len(names) - len(differ)} of {len(names)} plots in docs/ as their data draw them")
            if differ:
                print(f"differ or missing: {', '.join(differ)}; run bench/plot.py and commit docs/")
                sys.exit(1)


if __name__ == "__main__":
    main()
