#!/usr/bin/env python3
"""Remakes the committed PNG seeds of the picture reader's tests and fuzz target: pictures of
known pixels (the tests compute them by the same formulas), and damaged or hostile files.
ImageMagick turns rgba.png into its interlaced form; the rest is written here."""
import os
import struct
import subprocess
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def chunk(kind, data, length=None):
    body = kind + data
    return struct.pack(">I", len(data) if length is None else length) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, colour, rows, extra=b"", idat=None):
    """rows: the filtered scan lines' bytes, filter byte 0 included."""
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0)
    data = idat if idat is not None else chunk(b"IDAT", zlib.compress(rows, 9))
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + data + chunk(b"IEND", b"")


def rgba_pixel(x, y):  # as the unit test computes it
    return (30 * x, 60 * y, 254 if (x, y) == (3, 1) else 10 * x + y, 0 if x == 0 else 255 if y < 2 else 128)


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


rgba = png(8, 4, 8, 6, b"".join(b"\0" + bytes(v for x in range(8) for v in rgba_pixel(x, y)) for y in range(4)))
write("rgba.png", rgba)
subprocess.run(["convert", os.path.join(OUT, "rgba.png"), "-interlace", "PNG", "PNG32:" + os.path.join(OUT, "interlaced.png")],
               check=True)
# 16-bit grey, value 4096 x + 300 y: 8 bits keep the high byte.
write("grey16.png", png(4, 2, 16, 0, b"".join(b"\0" + b"".join(struct.pack(">H", 4096 * x + 300 * y) for x in range(4))
                                                for y in range(2))))
# Four palette entries, the first made transparent by tRNS; pixel x takes entry x.
palette = chunk(b"PLTE", bytes([1, 2, 3, 40, 50, 60, 70, 80, 254, 200, 210, 220])) + chunk(b"tRNS", b"\0")
write("palette.png", png(4, 1, 8, 3, b"\0\0\1\2\3", extra=palette))

# Damaged and hostile: each must give a null sprite and leave the last size.
write("cut.png", rgba[:len(rgba) // 2])
write("signature-only.png", rgba[:8])
write("header-only.png", rgba[:33])
write("zero-width.png", png(0, 4, 8, 6, b"\0"))
write("bad-depth.png", png(8, 4, 3, 6, bytes(4 * 33)))
write("wide.png", png(16385, 1, 8, 0, bytes(16386)))           # a side over 16384
write("huge.png", png(16384, 16384, 8, 0, bytes(16385 * 4)))   # 16384 x 16384: over the sprite's memory
write("chunk-bomb.png", png(1, 1, 8, 6, b"", idat=chunk(b"IDAT", bytes(16), length=0x7FFFFFF0)))
write("zlib-bomb.png", png(1, 1, 8, 6, bytes(16 << 20)))       # 16 MiB inflated for a 1 x 1 picture
