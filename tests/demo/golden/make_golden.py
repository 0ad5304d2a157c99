#!/usr/bin/env python3
"""Writes the golden floors of tests/demo: an independent model of the tables and the renderer.

Python integers are exact and its >> is a floor shift (the renderer's arithmetic shift), so
this computes every step of render_floor without any 16- or 32-bit reduction, which gives
the same picture for every allowed camera. Its floats are IEEE doubles.

Each file holds rows 60..158 of one floor as palette indices, 240 per row, two to a byte
(high nibble first): 11,880 bytes. The name gives the camera: x, y (height), z, angle.

    tests/demo/golden/make_golden.py [--ppm DIR]   # run from anywhere; rewrites *.idx
"""
import math
import os
import sys

# The golden cameras (x, height, z, view angle). Keep in step with floor_golden_test.cpp.
CAMERAS = [
    (6144, 5120, 6144, 32),              # the scene loop's start camera
    (0, 4096, 0, 0),                     # the worked example by hand
    (-12345, 819, -98765, 200),          # lowest height, negative coordinates
    (2147483647, 7372, -2147483648, 77), # highest height, coordinates at the int32 limits
    (1000, 1430, -3000, 128),            # looking along -z
    (-700, 2660, 5000, 64),              # looking along +x (cosine 0)
    (31337, 524287, -4242, 100),         # the largest height allowed
]


def quarter_wave_sine_table():
    table = [None] * 256
    for k in range(65):
        v = int(math.sin(float(2 * k) * 0.0122718462890625) * 4096.0)
        table[k] = v
        table[128 - k] = v
        table[128 + k] = -v
        if k >= 1:
            table[256 - k] = -v
    return table


def recip_table():
    return [0] + [4096 // n for n in range(1, 1400)]


def floor_indices(x, y, z, angle, sine, recip):
    sin_a = sine[angle % 256]
    cos_a = sine[(angle + 64) % 256]
    rows = []
    for m in range(99):
        dist = (recip[m + 1] * y) >> 12
        s = (dist * sin_a) >> 12
        c = (dist * cos_a) >> 12
        row_x = x + 120 * (s - c)
        row_z = z + 120 * (s + c)
        row = []
        for col in range(240):
            u = row_x + c * col
            v = row_z - s * col
            row.append(4 * ((v >> 11) & 3) + ((u >> 11) & 3))
        rows.append(row)
    return rows


def file_name(cam):
    return "floor_x%d_y%d_z%d_a%d.idx" % cam


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ppm_dir = sys.argv[sys.argv.index("--ppm") + 1] if "--ppm" in sys.argv else None
    sine = quarter_wave_sine_table()
    # The mirrored quarter wave equals the formula for every entry.
    assert sine == [int(math.sin(i * 2 * 3.14159265 / 256) * 4096.0) for i in range(256)]
    assert sine[64] == 4096
    recip = recip_table()
    for cam in CAMERAS:
        rows = floor_indices(*cam, sine, recip)
        flat = [i for row in rows for i in row]
        packed = bytes((flat[j] << 4) | flat[j + 1] for j in range(0, len(flat), 2))
        with open(os.path.join(here, file_name(cam)), "wb") as f:
            f.write(packed)
        if ppm_dir:
            # The whole 240 x 160 picture as the scene loop shows it: bits 16-23 of a
            # colour are its first (blue) byte, bits 8-15 green; unrendered rows black.
            out = bytearray()
            for r in range(160):
                for col in range(240):
                    if 60 <= r <= 158:
                        i = rows[r - 60][col]
                        blue, green = 85 * (i % 4), 85 * (i // 4)
                    else:
                        blue = green = 0
                    out += bytes((0, green, blue))  # PPM is red, green, blue
            name = os.path.join(ppm_dir, file_name(cam)[:-4] + ".ppm")
            with open(name, "wb") as f:
                f.write(b"P6\n240 160\n255\n" + bytes(out))
        print(file_name(cam))


if __name__ == "__main__":
    main()
