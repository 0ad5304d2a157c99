// Reading a picture file into a Sprite: PNG, or an uncompressed 24-bit BMP.
#pragma once

#include <cstdint>

// An image and where it is drawn. bits holds cx * cy pixels, top row first, 3 bytes each
// in the file's order (blue, green, red), rows packed with no padding.
struct Sprite {
    int32_t x, y;    // position on the surface; 0 after loading, set by the owner
    int32_t cx, cy;  // size, 0 to 65535
    uint8_t* bits;
};

// The size of the last picture read, BMP or PNG (program thread).
extern int32_t bmp_width, bmp_height;

// Program thread. A new sprite at (0, 0), or null when the file cannot be read: a PNG when
// the file starts as one (transparent pixels made colour-key pixels), else a BMP.
Sprite* load_sprite(const char* name);
// Program thread. A new top-down pixel buffer of bmp_width x bmp_height, or null.
uint8_t* load_bmp(const char* name);
