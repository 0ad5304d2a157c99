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

// Program thread: shapes in one colour, 0xRRGGBB, counted from the ClipRect's origin and
// clipped to it (and never beyond the surface). Any int32_t values are safe.
// fill_rect: every pixel of the cx x cy rectangle whose top-left is (x, y); nothing when cx
// or cy is 0 or less. draw_rect: only its outline, one pixel wide.
void fill_rect(int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t colour);
void draw_rect(int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t colour);
// draw_line: from (x0, y0) to (x1, y1), both ends drawn, one pixel per step along the
// longer axis (along x when the spans are equal); at each step the pixel nearest the exact
// line, the one further down (or right) at a tie: floor(v + 1/2) of the exact coordinate v.
// The same pixels whichever end comes first.
void draw_line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);
