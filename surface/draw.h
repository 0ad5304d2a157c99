// Drawing into the back buffer: colour-keyed sprite blits and rectangle inversion.
#pragma once

#include <cstdint>

// Source pixels whose first (blue) byte is this are not drawn.
constexpr uint8_t colour_key = 254;

// Program thread: copies a cx x cy block of top-down, packed 24-bit pixels to (x, y),
// counted from the ClipRect's origin and clipped to it, leaving out colour-key pixels.
void blit_sprite(int32_t x, int32_t y, int32_t cx, int32_t cy, const uint8_t* pixels);
// Either thread, on pixels it owns at that moment (the program thread while it runs; the
// window thread while it holds the program thread still, for the cursor): complements every
// byte of the clipped rectangle.
void invert_rect(int32_t x, int32_t y, int32_t cx, int32_t cy);
