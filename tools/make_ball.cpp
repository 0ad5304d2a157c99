// Writes the demo's sprite: a shaded red ball on a colour-keyed background, as a 32 x 32,
// 24-bit, uncompressed BMP with the plain 54-byte header. Usage: make_ball OUTPUT.
//
// The demo draws the sprite at (-16, -16), so only the ball's bottom-right quarter shows;
// the light comes from the upper left and slightly in front, so that quarter runs from near
// the highlight at the ball's centre to the shadowed rim.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int size_px = 32;  // a multiple of 4: rows need no padding
constexpr int row_bytes = size_px * 3;
constexpr int header_bytes = 54;
constexpr double radius_px = 15.5;
constexpr uint8_t colour_key = 254;  // first stored byte of a pixel the blit leaves out

struct Vec3 {
    double x, y, z;
};

double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 normalised(Vec3 v) {
    double length = std::sqrt(dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

// x to the right, y downwards, z towards the viewer.
const Vec3 light = normalised({-0.2, -0.25, 0.95});
const Vec3 halfway = normalised({light.x, light.y, light.z + 1.0});

uint8_t channel(double base, double diffuse, double specular) {
    double value = base * (0.3 + 0.7 * diffuse) + 150.0 * specular;
    return static_cast<uint8_t>(value >= 255.0 ? 255.0 : value + 0.5);
}

// Blue, green, red of pixel (column, row), rows from the top.
void shade(int column, int row, uint8_t* pixel) {
    double dx = (column + 0.5 - size_px / 2) / radius_px;
    double dy = (row + 0.5 - size_px / 2) / radius_px;
    double r2 = dx * dx + dy * dy;
    if (r2 > 1.0) {  // outside the ball: transparent
        pixel[0] = colour_key;
        pixel[1] = 0;
        pixel[2] = colour_key;
        return;
    }
    Vec3 normal{dx, dy, std::sqrt(1.0 - r2)};
    double diffuse = std::fmax(0.0, dot(normal, light));
    // A power of 32 by squaring: plain multiplications give the same bytes on every libm.
    double specular = std::fmax(0.0, dot(normal, halfway));
    for (int i = 0; i < 5; ++i) specular *= specular;
    pixel[0] = channel(30, diffuse, specular);
    pixel[1] = channel(45, diffuse, specular);
    pixel[2] = channel(225, diffuse, specular);
    if (pixel[0] == colour_key) pixel[0] = colour_key - 1;  // a ball pixel must show
}

void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::vector<uint8_t> ball_bmp() {
    const uint32_t pixel_bytes = size_px * row_bytes;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, header_bytes + pixel_bytes);  // file size
    put32(out, 0);                            // reserved
    put32(out, header_bytes);                 // offset of the pixels
    put32(out, 40);                           // size of the info header
    put32(out, size_px);                      // width
    put32(out, size_px);                      // height, positive: bottom row first
    put16(out, 1);                            // planes
    put16(out, 24);                           // bits per pixel
    put32(out, 0);                            // BI_RGB: uncompressed
    put32(out, pixel_bytes);                  // image size
    put32(out, 2835);                         // 72 dpi, horizontally
    put32(out, 2835);                         // and vertically
    put32(out, 0);                            // colours used: no table
    put32(out, 0);                            // important colours
    for (int row = size_px - 1; row >= 0; --row) {
        for (int column = 0; column < size_px; ++column) {
            uint8_t pixel[3];
            shade(column, row, pixel);
            out.insert(out.end(), pixel, pixel + 3);
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_ball OUTPUT\n");
        return 2;
    }
    std::vector<uint8_t> bmp = ball_bmp();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    bool written = std::fwrite(bmp.data(), 1, bmp.size(), file) == bmp.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
