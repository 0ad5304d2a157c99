// The perspective floor renderer.
#include <cstdint>
#include <limits>
#include <random>

#include "tests/demo/floor_test.h"

namespace {

// The renderer's steps in exact 64-bit arithmetic, without the 16-bit reductions (which
// never change a pixel, since only bits 11 and 12 are used). Indices of rows 60..158, row-major.
std::vector<uint8_t> reference_indices(int32_t x, int32_t y, int32_t z, int32_t angle) {
    const int64_t sin_a = sine_table[((angle % 256) + 256) % 256];
    const int64_t cos_a = sine_table[((angle % 256) + 256 + 64) % 256];
    std::vector<uint8_t> out;
    out.reserve(99 * 240);
    for (int m = 0; m < 99; ++m) {
        const int64_t dist = (int64_t{recip_table[m + 1]} * y) >> 12;
        const int64_t s = (dist * sin_a) >> 12;
        const int64_t c = (dist * cos_a) >> 12;
        const int64_t row_x = x + 120 * (s - c);
        const int64_t row_z = z + 120 * (s + c);
        for (int col = 0; col < 240; ++col) {
            const int64_t u = row_x + c * col;
            const int64_t v = row_z - s * col;
            out.push_back(static_cast<uint8_t>(4 * ((v >> 11) & 3) + ((u >> 11) & 3)));
        }
    }
    return out;
}

TEST_F(FloorTest, PaletteHoldsTheSixteenColours) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(floor_palette[4 * r + c], uint32_t(85 * c) << 16 | uint32_t(85 * r) << 8);
    EXPECT_EQ(floor_palette[9], 0x55AA00u);
    for (uint32_t colour : floor_palette) EXPECT_NE(colour & 0xFF, 254u);  // never colour-keyed
}

// Heading 0, camera at (0, 0), height 4096: a worked example by hand.
TEST_F(FloorTest, WorkedExampleRow158) {
    render_floor(0, 4096, 0, 0);
    EXPECT_EQ(index_at(158, 120), 8);   // u = 0, v = 4920
    EXPECT_EQ(index_at(158, 119), 11);  // u = -41
    EXPECT_EQ(index_at(158, 0), 9);     // u = -4920
    EXPECT_EQ(index_at(158, 239), 10);  // u = 4879
    EXPECT_EQ(pixel(158, 0), 0x55AA00u);
}

TEST_F(FloorTest, WorkedExampleRow60StepsOverTwoCellsPerColumn) {
    render_floor(0, 4096, 0, 0);
    EXPECT_EQ(index_at(60, 120), 0);  // row_x, row_z reduce to -32768; u = 0
    EXPECT_EQ(index_at(60, 121), 2);  // u = 4096
    EXPECT_EQ(index_at(60, 122), 0);  // u = 8192
}

// With heading 0 and height 4096, row 158 column 120 shows the floor point (camera_x,
// camera_z + 4920): a camera_x of X puts x = X under that pixel.
TEST_F(FloorTest, CellEdgesThroughNegativeCoordinates) {
    const struct { int32_t x; int x_cell; } cases[] = {
        {0, 0}, {2047, 0}, {2048, 1}, {-1, 3}, {-2048, 3}, {-2049, 2}, {-8192, 0}, {-8193, 3},
    };
    for (const auto& c : cases) {
        render_floor(c.x, 4096, 0, 0);
        EXPECT_EQ(index_at(158, 120), 8 + c.x_cell) << "x = " << c.x;  // z = 4920: z cell 2
    }
    // The same along z: v = camera_z + 4920 on the whole of row 158.
    const struct { int32_t z; int z_cell; } zcases[] = {{-4920 - 1, 3}, {-4920 - 2048, 3}, {-4920 - 2049, 2}};
    for (const auto& c : zcases) {
        render_floor(0, 4096, c.z, 0);
        EXPECT_EQ(index_at(158, 120), 4 * c.z_cell) << "z = " << c.z;
    }
}

TEST_F(FloorTest, WritesRows60To158OnlyAndEveryColumnOfThem) {
    render_floor(6144, 5120, 6144, 32);
    for (int row = 0; row < floor_height; ++row) {
        for (int col = 0; col < floor_width; ++col) {
            if (row >= 60 && row <= 158)
                ASSERT_GE(index_at(row, col), 0) << row << ", " << col;
            else
                ASSERT_EQ(pixel(row, col), floor_sentinel) << row << ", " << col;
        }
    }
}

TEST_F(FloorTest, OnlyThePositionModulo8192Matters) {
    const int32_t x0 = 6144, z0 = 3000;
    render_floor(x0, 3070, z0, 45);
    const auto base = rendered_indices();
    const int32_t shifts[] = {8192, -8192, 65536, -65536, 3 * 8192, 1 << 20, -(1 << 30)};
    for (int32_t d : shifts) {
        render_floor(x0 + d, 3070, z0, 45);
        EXPECT_EQ(rendered_indices(), base) << "x + " << d;
        render_floor(x0, 3070, z0 + d, 45);
        EXPECT_EQ(rendered_indices(), base) << "z + " << d;
    }
    // Across the int32 limits: INT32_MIN + d is d - 2^31, and 2^31 is a multiple of 8192.
    const int32_t min = std::numeric_limits<int32_t>::min(), max = std::numeric_limits<int32_t>::max();
    render_floor(min + x0, 3070, min + z0, 45);
    EXPECT_EQ(rendered_indices(), base);
    render_floor(max - (8192 - x0) + 1, 3070, max - (8192 - z0) + 1, 45);  // 2^31 - 8192 + x0
    EXPECT_EQ(rendered_indices(), base);
}

TEST_F(FloorTest, AngleIsReducedModulo256) {
    render_floor(100, 2000, 200, 32);
    const auto base = rendered_indices();
    for (int32_t angle : {32 + 256, 32 - 256, 32 + 256 * 1000, 32 - 256 * 1000}) {
        render_floor(100, 2000, 200, angle);
        EXPECT_EQ(rendered_indices(), base) << angle;
    }
    render_floor(100, 2000, 200, 255);
    const auto last = rendered_indices();
    render_floor(100, 2000, 200, std::numeric_limits<int32_t>::max());  // 0x7FFFFFFF & 255 = 255
    EXPECT_EQ(rendered_indices(), last);
    render_floor(100, 2000, 200, -1);
    EXPECT_EQ(rendered_indices(), last);
}

TEST_F(FloorTest, KeepsNothingBetweenCalls) {
    render_floor(123, 4567, 890, 12);
    const auto first = rendered_indices();
    render_floor(-5000, 819, 777, 200);
    render_floor(123, 4567, 890, 12);
    EXPECT_EQ(rendered_indices(), first);
}

TEST_F(FloorTest, EveryHeadingAgreesWithThe64BitModel) {
    for (int32_t angle = 0; angle < 256; ++angle) {
        render_floor(6144 + 173 * angle, 5120, 6144 - 169 * angle, angle);
        ASSERT_EQ(rendered_indices(), reference_indices(6144 + 173 * angle, 5120, 6144 - 169 * angle, angle))
            << "angle " << angle;
    }
}

TEST_F(FloorTest, EveryReachableHeightAgreesWithThe64BitModel) {
    // The scene loop keeps the height between 819 and 7372.
    for (int32_t height = 819; height <= 7372; height += 23) {
        render_floor(-777, height, 4242, height & 255);
        ASSERT_EQ(rendered_indices(), reference_indices(-777, height, 4242, height & 255)) << height;
    }
}

TEST_F(FloorTest, RandomCamerasAgreeWithThe64BitModel) {
    std::mt19937 random(20240614);
    std::uniform_int_distribution<int32_t> coordinate(std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max());
    std::uniform_int_distribution<int32_t> height(1, 524287);  // the whole allowed range
    std::uniform_int_distribution<int32_t> angle(-100000, 100000);
    for (int i = 0; i < 300; ++i) {
        const int32_t x = coordinate(random), y = height(random), z = coordinate(random);
        const int32_t a = angle(random);
        render_floor(x, y, z, a);
        ASSERT_EQ(rendered_indices(), reference_indices(x, y, z, a))
            << "camera " << x << ", " << y << ", " << z << ", " << a;
    }
}

}  // namespace
