// Rectangles and lines in one colour.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "surface/draw.h"
#include "surface/writable_area.h"

namespace {

// Fills the rectangle of surface pixels [x, x + cx) x [y, y + cy), cut down to `area`.
void fill_area(int64_t x, int64_t y, int64_t cx, int64_t cy, PixelBytes ink, const Area& area) {
    const int64_t left = std::max(x, area.left), right = std::min(x + cx, area.right);
    const int64_t top = std::max(y, area.top), bottom = std::min(y + cy, area.bottom);
    if (left >= right || top >= bottom) return;
    // Inside the surface from here, so every position fits in 32 bits.
    for (int64_t row = top; row < bottom; ++row) {
        uint8_t* pixel = surface.bits + pixel_offset(static_cast<int32_t>(left), static_cast<int32_t>(row));
        for (int64_t column = left; column < right; ++column, pixel += 3) {
            pixel[0] = ink.bgr[0];
            pixel[1] = ink.bgr[1];
            pixel[2] = ink.bgr[2];
        }
    }
}

void plot(int64_t x, int64_t y, PixelBytes ink, const Area& area) {
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return;
    uint8_t* pixel = surface.bits + pixel_offset(static_cast<int32_t>(x), static_cast<int32_t>(y));
    pixel[0] = ink.bgr[0];
    pixel[1] = ink.bgr[1];
    pixel[2] = ink.bgr[2];
}

// Where a line stands `steps` pixels along its major axis (u) from its start: the minor
// coordinate's offset floor(steps * dv / du + 1/2) and the error left over, in units of
// 1 / (2 du), kept in [0, 2 du). Exact for every int32_t line: steps < 2^32 + 480 and
// |dv| <= du, so steps * |dv| fits in 64 unsigned bits.
struct LineStep {
    int64_t offset;
    int64_t error;
};

LineStep line_step(uint64_t steps, int64_t du, int64_t dv) {
    const uint64_t product = steps * static_cast<uint64_t>(dv < 0 ? -dv : dv);
    const int64_t whole = static_cast<int64_t>(product / static_cast<uint64_t>(du));
    const int64_t part = static_cast<int64_t>(product % static_cast<uint64_t>(du));
    if (dv >= 0) {  // (2 * part + du) / (2 du) is in [1/2, 3/2)
        const int64_t n = 2 * part + du;
        return n >= 2 * du ? LineStep{whole + 1, n - 2 * du} : LineStep{whole, n};
    }
    const int64_t n = du - 2 * part;  // in (-du, du]
    return n < 0 ? LineStep{-whole - 1, n + 2 * du} : LineStep{-whole, n};
}

}  // namespace

void fill_rect(int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t colour) {
    if (surface.bits == nullptr || cx <= 0 || cy <= 0) return;
    fill_area(int64_t{x} + clip_rect.left, int64_t{y} + clip_rect.top, cx, cy, pixel_bytes(colour), writable_area());
}

void draw_rect(int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t colour) {
    if (surface.bits == nullptr || cx <= 0 || cy <= 0) return;
    const int64_t left = int64_t{x} + clip_rect.left, top = int64_t{y} + clip_rect.top;
    const PixelBytes ink = pixel_bytes(colour);
    const Area area = writable_area();
    fill_area(left, top, cx, 1, ink, area);
    if (cy > 1) fill_area(left, top + cy - 1, cx, 1, ink, area);
    if (cy > 2) {
        fill_area(left, top + 1, 1, cy - 2, ink, area);
        if (cx > 1) fill_area(left + cx - 1, top + 1, 1, cy - 2, ink, area);
    }
}

void draw_line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    if (surface.bits == nullptr) return;
    const PixelBytes ink = pixel_bytes(colour);
    const Area area = writable_area();
    const int64_t ax = int64_t{x0} + clip_rect.left, ay = int64_t{y0} + clip_rect.top;
    const int64_t bx = int64_t{x1} + clip_rect.left, by = int64_t{y1} + clip_rect.top;
    // Walk the major axis u, one pixel per step; v is the minor axis.
    const bool steep = (by > ay ? by - ay : ay - by) > (bx > ax ? bx - ax : ax - bx);
    int64_t u0 = steep ? ay : ax, v0 = steep ? ax : ay, u1 = steep ? by : bx, v1 = steep ? bx : by;
    // Going the other way draws the same pixels: the rounding depends on the exact value only.
    if (u1 < u0) {
        std::swap(u0, u1);
        std::swap(v0, v1);
    }
    const int64_t du = u1 - u0, dv = v1 - v0;
    auto put = [&](int64_t u, int64_t v) { steep ? plot(v, u, ink, area) : plot(u, v, ink, area); };
    if (du == 0) {
        put(u0, v0);
        return;
    }
    // Only the steps inside the area's span of u: at most 240 of them, whatever the line.
    const int64_t first = std::max(u0, steep ? area.top : area.left);
    const int64_t last = std::min(u1, (steep ? area.bottom : area.right) - 1);
    if (first > last) return;
    LineStep at = line_step(static_cast<uint64_t>(first - u0), du, dv);
    for (int64_t u = first; u <= last; ++u) {
        put(u, v0 + at.offset);
        at.error += 2 * dv;  // |dv| <= du: one carry at most
        if (at.error >= 2 * du) {
            at.error -= 2 * du;
            ++at.offset;
        } else if (at.error < 0) {
            at.error += 2 * du;
            --at.offset;
        }
    }
}
