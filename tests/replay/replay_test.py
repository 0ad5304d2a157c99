"""Programs' headless twins (NAME-replay) played along timelines, with no display: their
pictures against the tools' own, byte for byte, run after run and under load; bad timelines.
The Windows build runs the same checks on its .exe twins under Wine (--runner).

    python3 replay_test.py --checks NAME,... --bin BUILD [--suffix .exe] [--runner CMD]
                           --frame-tool PATH --flight-tool PATH --paint-status PATH
"""
import argparse
import os
import shlex
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import Failure, read_png  # noqa: E402
from pictures import difference  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
ASSETS = os.path.join(ROOT, "assets")
WIDTH = 240
# The eight controls, then two at once; (periods, keys). A period is the demo's 20 ms.
FLIGHT = [(6, "Up"), (4, "Down"), (5, "Left"), (3, "Right"), (4, "A"), (4, "R"), (5, "C"), (3, "E"), (4, "Up+Left")]


def replay(options, program, timeline_text, work, *arguments, check=True):
    """Runs PROGRAM-replay along the timeline; returns (exit code, stdout, stderr)."""
    timeline = os.path.join(work, "timeline.txt")
    with open(timeline, "w", encoding="utf-8", errors="surrogateescape") as f:
        f.write(timeline_text)
    folder = options.bin if program == "pictavon" else os.path.join(options.bin, "examples", program)
    command = [*options.runner, os.path.join(folder, program + "-replay" + options.suffix),
               "--replay", timeline, *arguments]
    result = subprocess.run(command, capture_output=True, text=True, timeout=120, cwd=ASSETS)
    if check and result.returncode != 0:
        raise Failure(f"{' '.join(command)} ended with {result.returncode}: {result.stderr}")
    return result.returncode, result.stdout, result.stderr


def flight_timeline():
    """The timeline that holds FLIGHT's keys, and the periods each segment ends on. The k-th
    control step runs once the clock reaches 20 k ms and shows in the picture at 20 k."""
    lines, ends, period = [], [], 0
    for periods, keys in FLIGHT:
        for key in keys.split("+"):
            lines += [f"{20 * (period + 1)} down {key}", f"{20 * (period + periods + 1)} up {key}"]
        period += periods
        ends.append(period)
    return "".join(line + "\n" for line in sorted(lines, key=lambda l: int(l.split()[0]))), ends


def expected_frames(options, periods, work):
    """frame_tool's picture of the camera flight_tool's control steps give after each period."""
    segments = [f"{n}:{keys}" for n, keys in FLIGHT]
    sprite = os.path.join(ASSETS, "balle.bmp")
    out = subprocess.run([options.flight_tool, sprite, work, "1", *segments], capture_output=True, text=True,
                         check=True, timeout=60).stdout
    cameras = {int(f[1]): f[2:] for f in (line.split() for line in out.splitlines())}
    frames = {}
    for period in periods:
        ppm = os.path.join(work, f"expected-{period}.ppm")
        subprocess.run([options.frame_tool, *cameras[period], sprite, ppm], check=True, timeout=30)
        frames[period] = open(ppm, "rb").read()[-WIDTH * 160 * 3:]
    return frames


def pictures_of(folder):
    return {name: open(os.path.join(folder, name), "rb").read() for name in sorted(os.listdir(folder))}


def demo_controls(options):
    timeline, ends = flight_timeline()
    with tempfile.TemporaryDirectory() as work:
        at = ",".join(str(20 * p) for p in ends)
        replay(options, "pictavon", timeline, work, "--pictures", os.path.join(work, "first"), "--at", at)
        expected = expected_frames(options, ends, work)
        for period in ends:
            wrong = difference(read_png(os.path.join(work, "first", f"at-{20 * period}.png"))[2], expected[period])
            if wrong:
                raise Failure(f"the picture at {20 * period} ms is not frame_tool's after {period} steps: {wrong}")
        first = pictures_of(os.path.join(work, "first"))
        replay(options, "pictavon", timeline, work, "--pictures", os.path.join(work, "again"), "--at", at)
        # Both processors kept busy by the test's own loops: the virtual clock does not care.
        loads = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(2)]
        try:
            replay(options, "pictavon", timeline, work, "--pictures", os.path.join(work, "loaded"), "--at", at)
        finally:
            for load in loads:
                load.kill()
                load.wait()
        if options.native_bin:  # the Windows build: the Linux build's files, byte for byte
            replay(argparse.Namespace(**{**vars(options), "bin": options.native_bin, "runner": [], "suffix": ""}),
                   "pictavon", timeline, work, "--pictures", os.path.join(work, "native"), "--at", at)
        for name in ("again", "loaded", "native")[:3 if options.native_bin else 2]:
            if pictures_of(os.path.join(work, name)) != first:
                raise Failure(f"the {name} run's pictures are not the first run's, byte for byte")


def cursor_blinks(options):
    """keys never presents: the host's refresh shows the cursor in the odd half seconds only."""
    with tempfile.TemporaryDirectory() as work:
        replay(options, "keys", "", work, "--pictures", work, "--at", "400,600")
        off, on = (read_png(os.path.join(work, f"at-{ms}.png"))[2] for ms in (400, 600))
        cursor = {(x, y) for x in range(7) for y in (9, 10)}  # surface rows 8, 9 at window rows 9, 10
        changed = {(i // 3 % WIDTH, i // 3 // WIDTH) for i in range(0, len(on), 3) if on[i:i + 3] != off[i:i + 3]}
        inverted = all(on[i] == 255 - off[i] for x, y in cursor for i in range(3 * (y * WIDTH + x), 3 * (y * WIDTH + x) + 3))
        if changed != cursor or not inverted:
            raise Failure(f"0.4 s and 0.6 s differ at {sorted(changed)}, not by the cursor's inversion alone")


def typed_characters(options):
    """"Été" typed: keys draws each character's code / 2 as a bar, the last eight at x 176 + 8 i."""
    with tempfile.TemporaryDirectory() as work:
        replay(options, "keys", "100 type Été\n", work, "--pictures", work)
        rgb = read_png(os.path.join(work, "last.png"))[2]
        heights = [sum(rgb[3 * ((y + 1) * WIDTH + 176 + 8 * i):][:3] == b"\x00\xc8\xff" for y in range(160))
                   for i in (5, 6, 7)]
        if heights != [0xC9 // 2, ord("t") // 2, 0xE9 // 2]:
            raise Failure(f"the last three characters' bars are {heights} high, not É t é's codes halved")


def painting(options):
    red = b"\xe0\x20\x20"
    timeline = "0 move 100 80\n40 tap 3\n80 click left\n120 press left 20 50\n160 move 60 50\n200 release left\n"
    with tempfile.TemporaryDirectory() as work:
        replay(options, "paint", timeline, work, "--pictures", work)
        rgb = read_png(os.path.join(work, "last.png"))[2]
        status = subprocess.run([options.paint_status, "60", "50", "1", "2"], capture_output=True, check=True,
                                timeout=30).stdout
        if rgb[3 * WIDTH:9 * 3 * WIDTH] != status:
            raise Failure("the status line is not paint_status's for (60, 50), red")
        missing = [(x, y) for x, y in [(100, 80), *((x, 50) for x in range(20, 61))]
                   if rgb[3 * ((y + 1) * WIDTH + x):][:3] != red]
        if missing:
            raise Failure(f"no red where the pointer painted: {missing[:5]}")


# Each bad timeline with the line and the words its one-line refusal must name.
BAD_TIMELINES = [
    ("# a comment\n0 down Lefty\n", 2, "unknown key 'Lefty'"),
    ("100 tap A\n\n50 tap B\n", 3, "time goes backwards"),
    ("0 move 240 10\n", 1, "outside the window"),
    ("0 click left 10 159\n", 1, "outside the window"),
    ("0 type caf\udcc3\n", 1, "bad UTF-8"),  # a lone byte 0xC3
    ("0 type \u4e2d\n", 1, "no Windows-1252 code"),
    ("0 jump\n", 1, "unknown verb 'jump'"),
    ("soon tap A\n", 1, "starts with its time"),
    ("0 press left 5\n", 1, "usage"),
    ("0 wheel 0\n", 1, "notches"),
]


def bad_timelines(options):
    for text, line, words in BAD_TIMELINES:
        with tempfile.TemporaryDirectory() as work:
            pictures = os.path.join(work, "pictures")
            code, _, err = replay(options, "keys", text, work, "--pictures", pictures, check=False)
            expected = f"{os.path.join(work, 'timeline.txt')}:{line}: "
            if code != 2 or len(err.splitlines()) != 1 or not err.startswith(expected) or words not in err:
                raise Failure(f"{text!r}: exit {code} with {err!r}; wanted 2 and one line {expected}...{words}")
            if os.path.exists(pictures):
                raise Failure(f"{text!r}: the pictures' folder was made for a refused timeline")


CHECKS = [demo_controls, cursor_blinks, typed_characters, painting, bad_timelines]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--checks", default=",".join(c.__name__ for c in CHECKS))
    parser.add_argument("--bin", required=True, type=os.path.abspath)
    parser.add_argument("--suffix", default="")
    parser.add_argument("--runner", default="", type=shlex.split)
    parser.add_argument("--native-bin", type=os.path.abspath, help="the Linux build, beside a Windows one")
    parser.add_argument("--frame-tool")
    parser.add_argument("--flight-tool")
    parser.add_argument("--paint-status")
    options = parser.parse_args()
    failed = 0
    for check in (c for c in CHECKS if c.__name__ in options.checks.split(",")):
        try:
            check(options)
            print(f"ok: {check.__name__}")
        except (Failure, subprocess.SubprocessError) as e:
            print(f"FAILED: {check.__name__}: {e}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
