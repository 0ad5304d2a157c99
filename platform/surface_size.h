// The size of the picture every program shows, in surface pixels: the back buffer, and the
// window's client area at zoom 1; and how far a window may enlarge it. Written here only;
// the surface, the host's options and the backends size themselves from it.
#pragma once

#include <cstdint>

constexpr int32_t surface_width = 240;
constexpr int32_t surface_height = 160;

// The largest zoom: a window shows each surface pixel as at most 8 x 8 of its own.
constexpr int32_t largest_zoom = 8;

// Full screen enlarges further: as far as the screen allows, up to an 8K screen's 32.
constexpr int32_t largest_screen_zoom = 32;
