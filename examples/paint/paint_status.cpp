// paint_status X Y IN COLOUR: the paint example's status line as the window shows it,
// drawn without a window: surface rows 0..7, 240 x 8 RGB, top row first, on stdout.
#include <cstdio>
#include <cstdlib>

#include "examples/paint/paint_view.h"
#include "pictavon/routine.h"
#include "surface/surface.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: paint_status X Y IN COLOUR\n");
        return 2;
    }
    int32_t colour = std::atoi(argv[4]);
    if (colour < 0 || colour >= palette_size) {
        std::fprintf(stderr, "paint_status: COLOUR is 0 to %d\n", palette_size - 1);
        return 2;
    }
    init_windowless_surface();
    draw_status(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]) != 0, colour);
    for (int32_t y = 0; y < status_rows; ++y) {  // shown one window row lower
        uint8_t rgb[surface_row_bytes];
        window_row_rgb(y + 1, rgb);
        std::fwrite(rgb, 1, sizeof rgb, stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
