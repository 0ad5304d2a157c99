// Drawing into the back buffer: colour-keyed sprite blits and rectangle inversion.
#include "surface/draw.h"

#include "surface/surface.h"

namespace {

// A call's rectangle cut down to the ClipRect, in surface coordinates, and what was cut
// off the source block's top and left and off each of its rows.
struct ClippedRect {
    int32_t x, y, cx, cy;   // surface pixels; cx > 0 and cy > 0
    int64_t skipped_rows;   // source rows above the first drawn one
    int64_t skipped_cols;   // source pixels left of the first drawn one in each row
    int64_t row_skip_px;    // source pixels passed over after each drawn row (K)
};

// Clips (x, y, cx, cy), counted from the ClipRect's origin, against the ClipRect. False
// when nothing is left. The sums run in 64 bits: callers' values may be anything.
bool clip_to_rect(int64_t x, int64_t y, int64_t cx, int64_t cy, ClippedRect* out) {
    int64_t skipped_rows = 0, skipped_cols = 0, row_skip_px = 0;
    if (y < 0) {  // top
        cy += y;
        skipped_rows = -y;
        y = 0;
    }
    if (x < 0) {  // left
        cx += x;
        skipped_cols = -x;
        row_skip_px = -x;
        x = 0;
    }
    y += clip_rect.top;  // origin: surface coordinates from here on
    x += clip_rect.left;
    if (y + cy >= clip_rect.bottom) cy = clip_rect.bottom - y;  // bottom
    if (x + cx >= clip_rect.right) {                            // right
        row_skip_px += x + cx - clip_rect.right;
        cx = clip_rect.right - x;
    }
    if (cy <= 0 || cx <= 0) return false;
    // Now x and y lie in [left, right) and [top, bottom), so every field fits in 32 bits.
    *out = ClippedRect{static_cast<int32_t>(x), static_cast<int32_t>(y),
                       static_cast<int32_t>(cx), static_cast<int32_t>(cy),
                       skipped_rows, skipped_cols, row_skip_px};
    return true;
}

}  // namespace

void blit_sprite(int32_t x, int32_t y, int32_t cx, int32_t cy, const uint8_t* pixels) {
    ClippedRect r;
    if (surface.bits == nullptr || pixels == nullptr || !clip_to_rect(x, y, cx, cy, &r)) return;

    // Here cx > 0 and skipped_rows < cy, so this offset lies inside the block.
    const uint8_t* src = pixels + (r.skipped_rows * cx + r.skipped_cols) * 3;
    const int64_t row_skip_bytes = r.row_skip_px * 3;
    for (int32_t row = r.y; row < r.y + r.cy; ++row) {
        uint8_t* dst = surface.bits + pixel_offset(r.x, row);
        for (int32_t i = 0; i < r.cx; ++i, src += 3, dst += 3) {
            if (src[0] == colour_key) continue;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
        src += row_skip_bytes;
    }
}

void invert_rect(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    ClippedRect r;
    if (surface.bits == nullptr || !clip_to_rect(x, y, cx, cy, &r)) return;

    const int32_t row_bytes = r.cx * 3;
    for (int32_t row = r.y; row < r.y + r.cy; ++row) {
        uint8_t* dst = surface.bits + pixel_offset(r.x, row);
        for (int32_t i = 0; i < row_bytes; ++i) dst[i] = static_cast<uint8_t>(~dst[i]);
    }
}
