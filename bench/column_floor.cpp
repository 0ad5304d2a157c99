// The column-by-column floor renderer and the byte-by-byte composition, for comparison.
#include "bench/column_floor.h"

#include "demo/floor.h"
#include "demo/tables.h"
#include "surface/draw.h"
#include "surface/surface.h"

namespace {

constexpr int32_t first_row = 60;
constexpr int32_t row_count = 99;

inline int32_t mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int16_t low16(uint32_t a) { return static_cast<int16_t>(static_cast<uint16_t>(a)); }

}  // namespace

void render_floor_by_columns(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle) {
    const uint32_t angle = static_cast<uint32_t>(view_angle);
    const int32_t sin_a = sine_table[angle & 255u];
    const int32_t cos_a = sine_table[(angle + 64u) & 255u];

    int16_t row_sin[row_count];
    int16_t row_cos[row_count];
    int16_t row_x[row_count];
    int16_t row_z[row_count];
    for (int32_t m = 0; m < row_count; ++m) {
        const int32_t dist = mul32(recip_table[m + 1], camera_y) >> 12;
        const int32_t s = mul32(dist, sin_a) >> 12;
        const int32_t c = mul32(dist, cos_a) >> 12;
        row_sin[m] = low16(static_cast<uint32_t>(s));
        row_cos[m] = low16(static_cast<uint32_t>(c));
        const uint32_t us = static_cast<uint32_t>(s);
        const uint32_t uc = static_cast<uint32_t>(c);
        row_x[m] = low16(static_cast<uint32_t>(camera_x) + 120u * (us - uc));
        row_z[m] = low16(static_cast<uint32_t>(camera_z) + 120u * (us + uc));
    }

    uint32_t* const rows = floor_pixels + first_row * floor_width;
    for (int32_t col = 0; col < floor_width; ++col) {
        const uint32_t ucol = static_cast<uint32_t>(col);
        uint32_t* out = rows + col;
        for (int32_t m = 0; m < row_count; ++m) {
            const uint32_t u = static_cast<uint32_t>(row_x[m]) + static_cast<uint32_t>(row_cos[m]) * ucol;
            const uint32_t v = static_cast<uint32_t>(row_z[m]) - static_cast<uint32_t>(row_sin[m]) * ucol;
            const uint32_t index = 4u * ((v >> 11) & 3u) + ((u >> 11) & 3u);
            *out = floor_palette[index];
            out += floor_width;
        }
    }
}

void compose_floor_by_bytes() {
    if (surface.bits == nullptr) return;
    for (int32_t r = 0; r < floor_height; ++r) {
        int32_t y = clip_rect.top + r;
        if (y < 0 || y >= clip_rect.bottom) continue;
        int32_t first = clip_rect.left < 0 ? -clip_rect.left : 0;
        int32_t last = clip_rect.right - clip_rect.left;
        if (last > floor_width) last = floor_width;
        const uint32_t* colour = floor_pixels + r * floor_width;
        uint8_t* dst = surface.bits + pixel_offset(clip_rect.left, y);
        for (int32_t c = first; c < last; ++c) {
            uint32_t v = colour[c];
            if ((v & 0xFF) == colour_key) continue;
            dst[3 * c] = static_cast<uint8_t>(v >> 16);
            dst[3 * c + 1] = static_cast<uint8_t>(v >> 8);
            dst[3 * c + 2] = static_cast<uint8_t>(v);
        }
    }
}
