// The demo's drawing without a window: the back buffer in memory and its picture as a PPM.
#include "tools/offscreen.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "demo/floor.h"
#include "demo/tables.h"
#include "surface/surface.h"

void start_offscreen() {
    static uint8_t pixels[surface_array_bytes];
    surface.bits = pixels;
    surface.width = surface_width;
    surface.height = surface_height;
    clip_rect = ClipRect{0, 0, surface_width, surface_height};
    build_tables();
    floor_pixels = static_cast<uint32_t*>(std::calloc(floor_width * floor_height, sizeof(uint32_t)));
}

bool write_window_picture(const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    bool written = std::fprintf(out, "P6\n240 160\n255\n") > 0;
    for (int32_t j = 0; j < 160 && written; ++j) {
        const uint8_t* row = surface.bits + (160 - j) * surface_row_bytes;
        uint8_t rgb[surface_row_bytes];
        for (int32_t x = 0; x < 240; ++x) {
            rgb[3 * x] = row[3 * x + 2];
            rgb[3 * x + 1] = row[3 * x + 1];
            rgb[3 * x + 2] = row[3 * x];
        }
        written = std::fwrite(rgb, 1, sizeof rgb, out) == sizeof rgb;
    }
    return std::fclose(out) == 0 && written;
}
