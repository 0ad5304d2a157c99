// Writing text into the back buffer with the built-in font.
#include "surface/text.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "surface/back_buffer.h"
#include "surface/font.h"
#include "surface/writable_area.h"

namespace {

// The glyph of `code` with its top-left corner at surface pixel (x, y). 64-bit positions:
// a line that starts near the int32_t limits runs past them.
void draw_glyph(int64_t x, int64_t y, uint8_t code, const uint8_t bgr[3], const Area& area) {
    if (x >= area.right || y >= area.bottom || x + glyph_width <= area.left ||
        y + glyph_height <= area.top)
        return;
    const uint8_t* rows = glyph_rows(code);
    for (int32_t r = 0; r < glyph_height; ++r) {
        const int64_t py = y + r;
        if (py < area.top || py >= area.bottom) continue;
        for (int32_t c = 0; c < glyph_width; ++c) {
            const int64_t px = x + c;
            if ((rows[r] >> (glyph_width - 1 - c) & 1) == 0 || px < area.left || px >= area.right)
                continue;
            // Inside the surface here, so both fit in 32 bits.
            uint8_t* pixel = surface.bits + pixel_offset(static_cast<int32_t>(px), static_cast<int32_t>(py));
            pixel[0] = bgr[0];
            pixel[1] = bgr[1];
            pixel[2] = bgr[2];
        }
    }
}

}  // namespace

int32_t draw_text(int32_t x, int32_t y, const char* text, uint32_t colour) {
    if (text == nullptr) return x;
    const PixelBytes ink = pixel_bytes(colour);
    const Area area = writable_area();
    const int64_t line_start = int64_t{x} + clip_rect.left;
    int64_t pen_x = line_start, pen_y = int64_t{y} + clip_rect.top;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            pen_x = line_start;
            pen_y += cell_height;
            continue;
        }
        if (surface.bits != nullptr) draw_glyph(pen_x, pen_y, static_cast<uint8_t>(*p), ink.bgr, area);
        pen_x += cell_width;
    }
    const int64_t end = pen_x - clip_rect.left;
    return static_cast<int32_t>(std::clamp<int64_t>(end, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}
