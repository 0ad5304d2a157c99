// The perspective floor renderer, in integer fixed point, one row at a time.
//
// The renderer's arithmetic is 32-bit signed with wraparound. Here every product and sum that
// could leave the int32_t range is computed in uint32_t (which wraps modulo 2^32 by
// definition) and only then brought back to a signed type, so the results are the intended
// two's-complement values and no intermediate overflows. A row's start and steps are kept
// modulo 2^32 rather than reduced to 16 bits: 65536 is a multiple of the pattern's period of
// 8192, so the reduction never changes a pixel.
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

// The 32-bit two's-complement product. (uint32_t -> int32_t keeps the bits: it is modular in
// GCC, Clang and MSVC, and in every C++ from C++20 on.)
inline int32_t mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// The colour of floor point (u, v): floor_palette[4 x ((v >> 11) & 3) + ((u >> 11) & 3)],
// computed instead of read so that a row's pixels need no table look-up and the compiler
// can work on several at once. The x cell (bits 11-12 of u) lands in bits 16-17 and the z
// cell in bits 8-9; times 85 = 1 + 4 + 16 + 64 is then two shift-and-or steps, as the
// 2-bit cells never carry into each other.
constexpr uint32_t cell_colour(uint32_t u, uint32_t v) {
    uint32_t colour = ((u & 0x1800u) << 5) | ((v & 0x1800u) >> 3);
    colour |= colour << 2;
    colour |= colour << 4;
    return colour;
}

constexpr bool cell_colour_is_the_palette() {
    for (uint32_t z_cell = 0; z_cell < 4; ++z_cell)
        for (uint32_t x_cell = 0; x_cell < 4; ++x_cell)
            if (cell_colour(x_cell << 11, z_cell << 11) != ((85u * x_cell) << 16 | (85u * z_cell) << 8)) return false;
    return true;
}
static_assert(cell_colour_is_the_palette(), "cell_colour must give floor_palette's colours");

// One row's start: the floor point (u, v) under column 0, and the steps from one column to
// the next: u grows by c and v shrinks by s. Modulo 2^32: bits 11 and 12, all that the cell
// indices use, are those of the signed values.
struct RowStart {
    uint32_t u, v;
    uint32_t c, s;
};

// The 240 pixels of one row, left to right. The loop has a fixed count and no look-up, so
// compilers turn it into vector code wherever the processor has vectors. It follows ~v,
// which grows by s as v shrinks (~v = -v - 1): compilers vectorize a growing induction
// variable but leave a shrinking one, whose value is used, scalar.
inline void render_row(uint32_t* out, const RowStart& row) {
    uint32_t u = row.u;
    uint32_t not_v = ~row.v;
    const uint32_t u_step = row.c;
    const uint32_t not_v_step = row.s;
    for (int32_t col = 0; col < floor_width; ++col) {
        out[col] = cell_colour(u, ~not_v);
        u += u_step;
        not_v += not_v_step;
    }
}

}  // namespace

void render_floor(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle) {
    const uint32_t angle = static_cast<uint32_t>(view_angle);
    const int32_t sin_a = sine_table[angle & 255u];
    const int32_t cos_a = sine_table[(angle + 64u) & 255u];
    uint32_t* const rows = floor_pixels + first_row * floor_width;

    // Row by row: each row's set-up (its distance from the reciprocal table, the step from
    // one column to the next, the floor point under column 0: 120 x dist ahead, 120 columns
    // to the left), then its 240 pixels in memory order. Arithmetic shifts of signed values
    // (defined as such by every compiler we build with, and by C++20).
    for (int32_t m = 0; m < row_count; ++m) {
        const int32_t dist = mul32(recip_table[m + 1], camera_y) >> 12;
        const int32_t s = mul32(dist, sin_a) >> 12;
        const int32_t c = mul32(dist, cos_a) >> 12;
        const uint32_t us = static_cast<uint32_t>(s);
        const uint32_t uc = static_cast<uint32_t>(c);
        const RowStart row{static_cast<uint32_t>(camera_x) + 120u * (us - uc),
                           static_cast<uint32_t>(camera_z) + 120u * (us + uc), uc, us};
        render_row(rows + m * floor_width, row);
    }
}
