// Reading a PNG file into a Sprite's pixel layout, and what the readers share. Internal to
// images/: routines reach it through load_sprite.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A damaged header can ask for up to 65535 x 65535 x 3 bytes (12.9 GB), which a system may
// promise and then fail to deliver while the buffer is filled: pictures whose pixels would
// take more than this are refused.
constexpr uint64_t max_sprite_bytes = uint64_t{256} << 20;
// And a PNG is refused when a side is longer than this, whatever its memory.
constexpr int32_t max_png_side = 16384;

// The first bytes of every PNG file.
constexpr size_t png_signature_bytes = 8;
bool is_png_signature(const uint8_t* first_bytes);

// Decodes the PNG that `file` holds, read from its start, into a new top-down buffer of
// cx x cy pixels, 3 bytes each (blue, green, red): fully transparent pixels become colour-key
// pixels (254, 0, 0) and any other pixel whose blue is 254 takes 255 instead; other alpha
// values are ignored. Null, with cx and cy untouched, for a damaged, cut, oversized or
// hostile file: no allocation ever exceeds what a picture of the declared size needs.
uint8_t* read_png(std::FILE* file, int32_t* cx, int32_t* cy);
