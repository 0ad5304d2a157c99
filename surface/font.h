// The built-in font: 5 x 7 glyphs drawn in 6 x 8 cells, for the printable ASCII characters
// and the letters and signs French needs in Windows-1252.
#pragma once

#include <cstdint>

constexpr int32_t glyph_width = 5;
constexpr int32_t glyph_height = 7;
constexpr int32_t cell_width = 6;   // a blank column after each glyph
constexpr int32_t cell_height = 8;  // a blank row under each line

// The glyph of a Windows-1252 code: its 7 rows, top first, each a 5-bit pattern whose bit 4
// is the leftmost pixel. Codes the font lacks get the outline of the glyph box.
const uint8_t* glyph_rows(uint8_t code);
