// What the paint example shows, apart from what is painted: the palette and the status line.
// Drawn by the program and by the headless paint_status that its tests compare with.
#pragma once

#include <cstdint>

constexpr int32_t palette_size = 8;
constexpr int32_t status_rows = 8;  // surface rows 0..7; the canvas is below them

// 0xRRGGBB and French name of each colour, chosen with the keys 1 to 8.
struct PaletteColour {
    uint32_t rgb;
    const char* name;
};
extern const PaletteColour palette[palette_size];

// The status line: where the pointer is (or that it is outside) and the brush's colour.
void draw_status(int32_t x, int32_t y, bool in, int32_t colour);
