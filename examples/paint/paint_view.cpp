// The paint example's status line, the one piece of its picture that is text.
#include "examples/paint/paint_view.h"

#include <cstdio>

#include "pictavon/routine.h"

const PaletteColour palette[palette_size] = {
    {0x000000, "noir"},  {0xFFFFFF, "blanc"}, {0xE02020, "rouge"}, {0x20A020, "vert"},
    {0x2040E0, "bleu"},  {0xF0D000, "jaune"}, {0x00C0C0, "cyan"},  {0xC020C0, "magenta"},
};

namespace {

constexpr uint32_t status_background = 0x303030, status_text = 0xFFFFFF;
constexpr int32_t swatch_x = 216;  // the brush's colour, right of the text

void fill_rows(int32_t x0, int32_t x1, int32_t y0, int32_t y1, uint32_t rgb) {
    for (int32_t y = y0; y < y1; ++y) {
        for (int32_t x = x0; x < x1; ++x) {
            uint8_t* p = surface.bits + pixel_offset(x, y);
            p[0] = rgb & 0xFF;
            p[1] = rgb >> 8 & 0xFF;
            p[2] = rgb >> 16 & 0xFF;
        }
    }
}

}  // namespace

void draw_status(int32_t x, int32_t y, bool in, int32_t colour) {
    fill_rows(0, surface_width, 0, status_rows, status_background);
    char line[40];
    if (in)
        std::snprintf(line, sizeof line, "x %3d y %3d %s", static_cast<int>(x), static_cast<int>(y),
                      palette[colour].name);
    else
        std::snprintf(line, sizeof line, "dehors %s", palette[colour].name);
    draw_text(1, 0, line, status_text);
    fill_rows(swatch_x, surface_width, 1, status_rows - 1, palette[colour].rgb);
}
