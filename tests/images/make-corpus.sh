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
