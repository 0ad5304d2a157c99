// The size of the picture every program shows, in surface pixels: the back buffer, and the
// window's client area at zoom 1. Written here only; the surface and the backends size
// themselves from it.
#pragma once

#include <cstdint>

constexpr int32_t surface_width = 240;
constexpr int32_t surface_height = 160;
