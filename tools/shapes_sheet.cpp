// shapes_sheet: the shapes as a picture, to look at: fill_rect and draw_rect side by side,
// then draw_line in every direction from one centre, each octant in a colour of its own,
// and lines cut by the surface's edges. Usage: shapes_sheet OUT.ppm (the window's picture).
// docs/shapes.png is its sheet, each pixel repeated 3 x 3:
//     convert OUT.ppm -crop 240x159+0+1 -sample 300% docs/shapes.png
#include <cstdint>
#include <cstdio>

#include "surface/draw.h"
#include "surface/text.h"
#include "tools/offscreen.h"

namespace {

constexpr uint32_t octant_colours[8] = {0xFF5050, 0xFFB040, 0xF0F050, 0x60E060,
                                        0x50E0E0, 0x5090FF, 0xB070FF, 0xFF70C0};

void rectangles() {
    draw_text(8, 6, "fill_rect  draw_rect", 0xFFFFFF);
    for (int32_t i = 0; i < 4; ++i) {
        fill_rect(8 + 12 * i, 20 + 6 * i, 10, 40 - 12 * i, octant_colours[2 * i]);
        draw_rect(68 + 6 * i, 20 + 6 * i, 50 - 12 * i, 40 - 12 * i, octant_colours[2 * i + 1]);
    }
    draw_rect(8, 70, 1, 1, 0xFFFFFF);   // a 1 x 1 outline is one pixel
    draw_rect(12, 70, 30, 2, 0xFFFFFF);  // two rows high: both rows
}

// Lines from (cx, cy) to 32 points around a square, coloured by octant.
void star(int32_t cx, int32_t cy, int32_t reach) {
    for (int32_t k = 0; k < 32; ++k) {
        const int32_t side = k / 8, step = k % 8 * reach / 4 - reach;
        const int32_t dx = side == 0 ? reach : side == 2 ? -reach : side == 1 ? -step : step;
        const int32_t dy = side == 1 ? reach : side == 3 ? -reach : side == 0 ? step : -step;
        const int32_t octant = (dy < 0) * 4 + ((dx < 0) != (dy < 0)) * 2 + ((dx < 0 ? -dx : dx) < (dy < 0 ? -dy : dy));
        draw_line(cx, cy, cx + dx, cy + dy, octant_colours[octant]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: shapes_sheet OUT.ppm\n");
        return 2;
    }
    start_offscreen();
    fill_rect(0, 0, 240, 160, 0x202030);
    rectangles();
    draw_text(132, 6, "draw_line", 0xFFFFFF);
    star(176, 62, 44);
    star(60, 150, 40);   // cut by the bottom edge
    draw_line(-40, 100, 280, 148, 0xFFFFFF);
    if (!write_window_picture(argv[1])) {
        std::fprintf(stderr, "shapes_sheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
