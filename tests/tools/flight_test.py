"""The README's animation and the tool that makes it: flight_tool's cameras against an
independent model of the demo's controls, its frames and every frame of the committed GIF
against frame_tool's picture of that camera, and the tool's refusals.

    python3 flight_test.py --flight-tool PATH --frame-tool PATH --sprite balle.bmp
                           --flight tools/flight.txt --gif docs/flight.gif
"""
import argparse
import math
import os
import subprocess
import sys
import tempfile

SCALE = 2          # the GIF repeats each pixel SCALE x SCALE times
PERIOD_CS = 2      # a period is 20 ms: two hundredths of a second


# ---- An independent model of the camera's controls -----------------------------------------

def sine_table():
    table = [0] * 256
    for k in range(65):
        v = int(math.sin(float(2 * k) * 0.0122718462890625) * 4096.0)
        table[k] = table[128 - k] = v
        table[128 + k] = -v
        if k >= 1:
            table[256 - k] = -v
    return table


SINE = sine_table()


def wrap32(v):
    return (v + 2**31) % 2**32 - 2**31


def move(x, z, angle):
    return (wrap32(x + int(SINE[angle % 256] * 0.06)), wrap32(z + int(SINE[(angle + 64) % 256] * 0.06)))


def step(camera, keys):
    """One pass of the controls, in the demo's order, for the keys held."""
    x, z, y, h = camera
    if "Left" in keys: h = (h - 2) % 256
    if "Right" in keys: h = (h + 2) % 256
    if "Up" in keys: x, z = move(x, z, h)
    if "Down" in keys: x, z = move(x, z, h + 127)
    if "C" in keys and y >= 1228.8: y = int(y - 409.6)
    if "E" in keys and y < 6963.2: y = int(y + 409.6)
    if "A" in keys: x, z = move(x, z, h - 64)
    if "R" in keys: x, z = move(x, z, h + 64)
    return x, z, y, h


def read_flight(path):
    lines = [line.strip() for line in open(path) if line.strip() and not line.startswith("#")]
    return int(lines[0]), lines[1:]


def expected_frames(every, segments):
    """(period, camera) of each frame the flight writes, the start view first."""
    camera, period = (6144, 6144, 5120, 32), 0
    frames = [(0, camera)]
    for segment in segments:
        count, keys = segment.split(":")
        for _ in range(int(count)):
            camera = step(camera, set(keys.split("+")))
            period += 1
            if period % every == 0:
                frames.append((period, camera))
    return frames


# ---- Pictures ----------------------------------------------------------------------------------

def ppm_pixels(path):
    data = open(path, "rb").read()
    magic, size, depth, pixels = data.split(b"\n", 3)
    assert magic == b"P6" and depth == b"255", f"{path}: not an 8-bit P6 PPM"
    width, height = map(int, size.split())
    return width, height, pixels


def downscaled(width, height, rgb):
    """One pixel of each SCALE x SCALE block, and whether every block is one colour."""
    out = bytearray()
    uniform = True
    for j in range(0, height, SCALE):
        for i in range(0, width, SCALE):
            at = 3 * (j * width + i)
            pixel = rgb[at:at + 3]
            out += pixel
            for dj in range(SCALE):
                row = 3 * ((j + dj) * width + i)
                uniform &= rgb[row:row + 3 * SCALE] == pixel * SCALE
    return bytes(out), uniform


class FrameTool:
    def __init__(self, tool, sprite, work):
        self.tool, self.sprite, self.work = tool, sprite, work

    def __call__(self, camera):
        out = os.path.join(self.work, "expected.ppm")
        subprocess.run([self.tool, *map(str, camera), self.sprite, out], check=True)
        return ppm_pixels(out)[2]


# ---- Checks -------------------------------------------------------------------------------------

def check_tool_follows_the_controls(options, want, frame_tool, work):
    every, segments = read_flight(options.flight)
    out_dir = os.path.join(work, "tool")
    os.mkdir(out_dir)
    run = subprocess.run([options.flight_tool, options.sprite, out_dir, str(every), *segments],
                         capture_output=True, text=True, check=True)
    lines = run.stdout.splitlines()
    got = [(int(f[1]), tuple(map(int, f[2:]))) for f in (line.split() for line in lines)]
    assert got == want, f"flight_tool's cameras differ from the controls' model:\n{got}\n{want}"
    for n, (_, camera) in enumerate(want):
        pixels = ppm_pixels(os.path.join(out_dir, f"frame_{n:04d}.ppm"))[2]
        assert pixels == frame_tool(camera), f"flight_tool's frame {n} is not frame_tool's {camera}"
    assert len(os.listdir(out_dir)) == len(want), "flight_tool wrote frames nobody asked for"


def check_gif_frames(options, want, frame_tool, work):
    every, _ = read_flight(options.flight)
    decoded = os.path.join(work, "gif")
    os.mkdir(decoded)
    subprocess.run(["convert", options.gif, "-coalesce", os.path.join(decoded, "f_%04d.ppm")], check=True)
    names = sorted(os.listdir(decoded))
    assert len(names) == len(want), f"the GIF has {len(names)} frames, the flight {len(want)}"
    delays = subprocess.run(["identify", "-format", "%T ", options.gif], capture_output=True,
                            text=True, check=True).stdout.split()
    assert set(delays) == {str(every * PERIOD_CS)}, f"frame delays {set(delays)}, not the demo's pace"
    for n, (name, (period, camera)) in enumerate(zip(names, want)):
        width, height, rgb = ppm_pixels(os.path.join(decoded, name))
        assert (width, height) == (240 * SCALE, 160 * SCALE), f"GIF frame {n} is {width} x {height}"
        picture, uniform = downscaled(width, height, rgb)
        assert uniform, f"GIF frame {n}: pixels are blended, not repeated"
        assert picture == frame_tool(camera), \
            f"GIF frame {n} (period {period}) is not frame_tool's picture of {camera}; " \
            "remake it with tools/make-flight-gif.sh"


def check_refusals(options, work):
    for segment in ("0:Up", "10:Q", "10:Up+", "10", "x:Up", "10:up"):
        run = subprocess.run([options.flight_tool, "-", work, "2", segment], capture_output=True, text=True)
        assert run.returncode == 2 and "usage" in run.stderr, f"flight_tool took the segment {segment!r}"
    missing = os.path.join(work, "no", "such", "folder")
    run = subprocess.run([options.flight_tool, "-", missing, "1", "1:Up"], capture_output=True, text=True)
    assert run.returncode == 1 and "cannot write" in run.stderr, "a frame that cannot be written passed"
    run = subprocess.run([options.flight_tool, os.path.join(work, "none.bmp"), work, "1", "1:Up"],
                         capture_output=True, text=True)
    assert run.returncode == 1 and "cannot read" in run.stderr, "a missing sprite passed"


def main():
    parser = argparse.ArgumentParser()
    for name in ("--flight-tool", "--frame-tool", "--sprite", "--flight", "--gif"):
        parser.add_argument(name, required=True)
    options = parser.parse_args()
    every, segments = read_flight(options.flight)
    want = expected_frames(every, segments)
    failed = 0
    with tempfile.TemporaryDirectory(prefix="pictavon-flight-") as work:
        frame_tool = FrameTool(options.frame_tool, options.sprite, work)
        checks = [("tool_follows_the_controls", lambda: check_tool_follows_the_controls(options, want, frame_tool, work)),
                  ("gif_frames", lambda: check_gif_frames(options, want, frame_tool, work)),
                  ("refusals", lambda: check_refusals(options, work))]
        for name, check in checks:
            try:
                check()
                print(f"ok      {name}")
            except (AssertionError, subprocess.CalledProcessError) as failure:
                failed += 1
                print(f"FAILED  {name}: {failure}")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
