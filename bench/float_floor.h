// The floor as a programmer would first write it: per pixel, the ray through the pixel in
// double precision with sin, cos and a division, meeting the floor plane. Same camera model
// as render_floor (horizon at row 59, focal length 120, centre column 120); a yardstick for the
// fixed-point renderer's speed, not bit-exact with it.
#pragma once

#include <cstdint>

// Writes rows 60..158 of floor_pixels, like render_floor.
void render_floor_float(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle);
