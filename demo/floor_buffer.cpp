// The floor buffer that render_floor writes and compose_floor reads.
#include <cstring>

#include "demo/floor.h"

void init_floor_pixels() {
    // 150 KB for the life of the process: static, so it cannot fail for want of memory.
    static uint32_t pixels[floor_width * floor_height];
    std::memset(pixels, 0, sizeof pixels);
    floor_pixels = pixels;
}
