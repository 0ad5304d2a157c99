// Writing text into the back buffer with the built-in font.
#pragma once

#include <cstdint>

// Program thread: draws the 0-terminated Windows-1252 `text` at (x, y), counted from the
// ClipRect's origin and clipped to it, one 6 x 8 cell per byte; only the glyphs' pixels are
// written, in `colour` (0xRRGGBB). '\n' starts a new line at x, 8 pixels lower. Returns
// the x after the last glyph of the last line, held within the int32_t range.
int32_t draw_text(int32_t x, int32_t y, const char* text, uint32_t colour);
