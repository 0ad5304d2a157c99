#include "bench/float_floor.h"

#include <cmath>

#include "demo/floor.h"

void render_floor_float(int32_t camera_x, int32_t camera_y, int32_t camera_z, int32_t view_angle) {
    const double pi = 3.14159265358979323846;
    for (int32_t row = 60; row <= 158; ++row) {
        for (int32_t col = 0; col < floor_width; ++col) {
            const double heading = (view_angle & 255) * (2.0 * pi / 256.0);
            // The ray through the pixel, per unit forward: sideways and downward offsets.
            const double right = (col - 120) / 120.0;
            const double down = (row - 59) / 120.0;
            // Where it meets the floor: this far ahead and this far to the right.
            const double ahead = camera_y / down;
            const double side = ahead * right;
            const double x = camera_x + ahead * std::sin(heading) + side * std::cos(heading);
            const double z = camera_z + ahead * std::cos(heading) - side * std::sin(heading);
            const auto cell_x = static_cast<int64_t>(std::floor(x / 2048.0));
            const auto cell_z = static_cast<int64_t>(std::floor(z / 2048.0));
            floor_pixels[row * floor_width + col] = floor_palette[4 * (cell_z & 3) + (cell_x & 3)];
        }
    }
}
