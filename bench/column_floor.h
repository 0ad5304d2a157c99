// The frame as it was drawn before the row-by-row renderer: the floor walked column by
// column and composed byte by byte, kept so that one benchmark run measures both.
#pragma once

#include <cstdint>

// Writes rows 60..158 of floor_pixels, bit-identical to render_floor, one column at a time.
void render_floor_by_columns(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle);
// Copies floor_pixels into the Surface through the ClipRect one byte at a time, testing
// every pixel for the colour key.
void compose_floor_by_bytes();
