// The perspective floor: an endless 4 x 4 tiled plane rendered in integer fixed point.
#pragma once

#include <cstdint>

#include "platform/surface_size.h"

constexpr int32_t floor_width = surface_width;
constexpr int32_t floor_height = surface_height;

// 16 colours: entry 4r + c is (85c) << 16 | (85r) << 8.
extern const uint32_t floor_palette[16];
// 240 x 160 colours, row-major, top row first. Rows 60..158 are rendered.
extern uint32_t* floor_pixels;
// Points floor_pixels at the one floor buffer (static storage) and clears it to 0, so the
// rows the renderer never writes compose as black. The demo calls it once; tools,
// benchmarks and tests whenever they want a fresh floor.
void init_floor_pixels();

// Program thread: renders rows 60 to 158 of floor_pixels for a camera at (camera_x,
// camera_z), camera_y above the floor (0 < camera_y < 524288), looking along view_angle.
void render_floor(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle);
