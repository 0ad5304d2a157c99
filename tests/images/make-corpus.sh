#!/usr/bin/env bash
# Remakes the committed seed corpus of the BMP reader's tests and fuzz target with
# ImageMagick: the 24-bit files the reader is meant for, and the forms it must survive.
set -euo pipefail
out=$(dirname "$0")/corpus
mkdir -p "$out"
cd "$out"

# patch FILE OFFSET HEX...: overwrites bytes in place.
patch() {
    local file=$1 offset=$2; shift 2
    printf "$(printf '\\x%s' "$@")" | dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}

# 24-bit, uncompressed, 54-byte header: rows padded to 4 bytes for widths 5 and 7.
convert -size 4x2 gradient:red-blue -type TrueColor BMP3:w4.bmp
convert -size 5x2 gradient:'#204060'-'#a0c0e0' -type TrueColor BMP3:w5.bmp
convert -seed 1 -size 7x3 plasma:fractal -type TrueColor BMP3:w7.bmp
convert -seed 7 -size 32x32 plasma:red-blue -type TrueColor BMP3:w32.bmp
# Top-down: the flipped picture stored bottom-up, then its height made -16.
convert -seed 3 -size 4x16 plasma:green-yellow -flip -type TrueColor BMP3:topdown.bmp
patch topdown.bmp 22 f0 ff ff ff
# A colour table before the pixels: 8 bits per pixel, plain and run-length encoded.
convert -seed 5 -size 16x16 plasma:fractal -colors 64 -type Palette -compress None BMP3:pal8.bmp
convert -seed 5 -size 16x16 plasma:fractal -colors 64 -type Palette -compress RLE BMP3:rle8.bmp
# 32 bits per pixel: with the plain header, and with the 124-byte header and bit fields.
convert -size 6x4 gradient:'#ff000080'-'#0000ffff' -type TrueColorAlpha \
    -define bmp3:alpha=true BMP3:rgba32.bmp
convert -size 6x4 gradient:'#ff000080'-'#0000ffff' -type TrueColorAlpha BMP:v5.bmp
# Cut short: inside the pixels, right after the header, inside the header.
head -c 1000 w32.bmp >cut-pixels.bmp
head -c 54 w32.bmp >cut-header.bmp
head -c 40 w32.bmp >short.bmp

# PNG: rgba.png of known pixels (bmp_test computes them by the same formula), its 16-bit and
# interlaced forms; then damaged and hostile files, each of which must give a null sprite.
python3 -c 'import sys; sys.stdout.buffer.write(bytes(v for y in range(4) for x in range(8) for v in (30 * x,
    60 * y, 254 if (x, y) == (3, 1) else 10 * x + y, 0 if x == 0 else 255 if y < 2 else 128)))' |
    convert -size 8x4 -depth 8 rgba:- -define png:exclude-chunks=date,time PNG32:rgba.png
convert rgba.png -define png:exclude-chunks=date,time PNG64:rgba16.png
convert rgba.png -interlace PNG -define png:exclude-chunks=date,time PNG32:interlaced.png
head -c $(($(stat -c %s rgba.png) / 2)) rgba.png >cut.png
head -c 8 rgba.png >signature-only.png
head -c 33 rgba.png >header-only.png
for name in zero-width bad-depth wide huge chunk-bomb; do cp rgba.png $name.png; done
patch zero-width.png 16 00 00 00 00
patch bad-depth.png 24 03
patch wide.png 16 00 00 40 01                     # a side over 16384
patch huge.png 16 00 00 40 00 00 00 40 00         # over the 256 MiB a sprite may take
patch chunk-bomb.png $(($(grep -obUa IDAT rgba.png | head -1 | cut -d: -f1) - 4)) 7f ff ff f0
head -c 16M /dev/zero | convert -size 4096x1024 -depth 8 rgba:- -define png:exclude-chunks=date,time PNG32:zlib-bomb.png
patch zlib-bomb.png 16 00 00 00 01 00 00 00 01    # 16 MiB inflated for one pixel
