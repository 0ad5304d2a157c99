// What the colour-writing primitives (text, shapes) share: where they may write, and how a
// 0xRRGGBB colour is stored.
#pragma once

#include <algorithm>
#include <cstdint>

#include "surface/back_buffer.h"

// Where pixels may be written, in surface pixels, exclusive bounds: the ClipRect, and never
// beyond the surface whatever the ClipRect holds. 64 bits: callers' positions plus the
// ClipRect's origin may leave the int32_t range.
struct Area {
    int64_t left, top, right, bottom;
};

inline Area writable_area() {
    return Area{std::max<int64_t>(clip_rect.left, 0), std::max<int64_t>(clip_rect.top, 0),
                std::min<int64_t>(clip_rect.right, surface.width),
                std::min<int64_t>(clip_rect.bottom, surface.height)};
}

// A 0xRRGGBB colour as the pixel array stores it: blue, green, red.
struct PixelBytes {
    uint8_t bgr[3];
};

inline PixelBytes pixel_bytes(uint32_t colour) {
    return PixelBytes{{static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                       static_cast<uint8_t>(colour >> 16)}};
}
