// The perspective floor renderer, in integer fixed point.
//
// The renderer's arithmetic is 32-bit signed with wraparound and 16-bit reductions. Here every
// product and sum that could leave the int32_t range is computed in uint32_t (which wraps
// modulo 2^32 by definition) and only then brought back to a signed type, so the results
// are the intended two's-complement values and no intermediate overflows.
#include "demo/floor.h"

#include "demo/tables.h"

const uint32_t floor_palette[16] = {
    0x000000, 0x550000, 0xAA0000, 0xFF0000,  // z cell 0, x cells 0..3
    0x005500, 0x555500, 0xAA5500, 0xFF5500,  // z cell 1
    0x00AA00, 0x55AA00, 0xAAAA00, 0xFFAA00,  // z cell 2
    0x00FF00, 0x55FF00, 0xAAFF00, 0xFFFF00,  // z cell 3
};

uint32_t* floor_pixels = nullptr;

namespace {

constexpr int32_t first_row = 60;  // the row below the horizon (row 59)
constexpr int32_t row_count = 99;  // rows 60..158

// The 32-bit two's-complement product and sum. (uint32_t -> int32_t keeps the bits: it is
// modular in GCC, Clang and MSVC, and in every C++ from C++20 on.)
inline int32_t mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
// Low 16 bits as a signed value.
inline int16_t low16(uint32_t a) { return static_cast<int16_t>(static_cast<uint16_t>(a)); }

}  // namespace

void render_floor(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle) {
    const uint32_t angle = static_cast<uint32_t>(view_angle);
    const int32_t sin_a = sine_table[angle & 255u];
    const int32_t cos_a = sine_table[(angle + 64u) & 255u];

    int16_t row_sin[row_count];
    int16_t row_cos[row_count];
    int16_t row_x[row_count];
    int16_t row_z[row_count];

    // Row set-up: distance from the reciprocal table, the step from one column to the next,
    // and the floor point under column 0 (120 x dist ahead, 120 columns to the left).
    // Arithmetic shifts of signed values (defined as such by every compiler we build with,
    // and by C++20).
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

    // Pixel pass, column by column, down each column. u and v are taken modulo 2^32 in
    // uint32_t: their bits 11 and 12, all that the cell indices use, are those of the
    // signed values (a logical shift of the same bits, masked to 2 bits, equals the
    // arithmetic shift masked to 2 bits).
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
