// The back buffer as its writers see it: the 240 x 160, 24-bit pixel array, the clip
// rectangle, and present.
//
// Pixel array: 161 rows of 720 bytes, bottom-up, 3 bytes per pixel (blue, green, red).
// Surface pixel (x, y) lives at byte 3 * (width * (height - 1 - y) + x) from bits, so
// surface row y is array row 159 - y; array row 160, the last 720 bytes, is a spare row
// that only a whole-array clear writes. present shows window row j = array row 160 - j:
// the spare row on top, surface rows 0..158 below it, surface row 159 never.
#pragma once

#include <atomic>
#include <cstdint>

// Relative to this file, so that the installed kit needs no folder of its own on the path.
#include "../platform/handles.h"
#include "../platform/surface_size.h"

struct Surface {
    // Set by init_surface; nulled by the window thread when the window is closed or
    // destroyed, read by present on either thread.
    std::atomic<DcHandle> window_dc;
    DcHandle memory_dc;          // window thread, set once
    BitmapHandle hbm;            // window thread, set once; null if creation failed
    uint8_t* bits;               // window thread, set once; null if creation failed
    int32_t width, height;       // 240, 160
    int32_t present_x, present_y;  // 0, 0: where present puts the picture in the window
    RegionHandle clip_region;    // the region last made by set_clip
};

// Origin and exclusive bounds of everything drawn, in surface pixels. (0, 0, 240, 160).
struct ClipRect {
    int32_t left, top, right, bottom;
};

// The pixels are written by the program thread; the window thread touches them only while
// the program thread is held still or has ended.
extern Surface surface;
extern ClipRect clip_rect;

constexpr int32_t surface_row_bytes = surface_width * 3;
constexpr int32_t surface_array_bytes = (surface_height + 1) * surface_row_bytes;

// Either thread: copies the 240 x 160 picture into the window; nothing once it is closed.
void present();

// Byte offset of surface pixel (x, y) from surface.bits.
inline int32_t pixel_offset(int32_t x, int32_t y) {
    return 3 * (surface.width * (surface.height - 1 - y) + x);
}
