// The demo's drawing without a window: the back buffer in memory and its picture as a PPM.
#include "tools/offscreen.h"

#include <cstdint>
#include <cstdio>

#include "demo/floor.h"
#include "demo/tables.h"
#include "surface/surface.h"

void start_offscreen() {
    init_windowless_surface();
    build_tables();
    init_floor_pixels();
}

bool write_window_picture(const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    bool written = std::fprintf(out, "P6\n%d %d\n255\n", surface_width, surface_height) > 0;
    for (int32_t j = 0; j < surface_height && written; ++j) {
        uint8_t rgb[surface_row_bytes];
        window_row_rgb(j, rgb);
        written = std::fwrite(rgb, 1, sizeof rgb, out) == sizeof rgb;
    }
    return std::fclose(out) == 0 && written;
}
