// Whole floors against the golden set (tests/demo/golden, made by
// golden/make_golden.py, an independent model of the renderer in exact integer arithmetic).
#include <cstdio>
#include <string>

#include "tests/demo/floor_test.h"
#include "tests/demo/golden_data.h"

namespace {

struct Camera {
    int32_t x, y, z, angle;
};

// Keep in step with CAMERAS in golden/make_golden.py.
const Camera golden_cameras[] = {
    {6144, 5120, 6144, 32},  // the scene loop's start camera
    {0, 4096, 0, 0},         // the worked example of floor_test
    {-12345, 819, -98765, 200},
    {2147483647, 7372, -2147483647 - 1, 77},
    {1000, 1430, -3000, 128},
    {-700, 2660, 5000, 64},
    {31337, 524287, -4242, 100},  // the largest height allowed: the 16-bit reductions wrap
};

std::string golden_name(const Camera& c) {
    char name[96];
    std::snprintf(name, sizeof name, "floor_x%d_y%d_z%d_a%d", static_cast<int>(c.x), static_cast<int>(c.y),
                  static_cast<int>(c.z), static_cast<int>(c.angle));
    return name;
}

const GoldenFile* find_golden(const std::string& name) {
    for (int i = 0; i < golden_file_count; ++i)
        if (name == golden_files[i].name) return &golden_files[i];
    return nullptr;
}

TEST_F(FloorTest, GoldenSetIsComplete) {
    EXPECT_EQ(golden_file_count, static_cast<int>(sizeof golden_cameras / sizeof golden_cameras[0]));
    for (const Camera& camera : golden_cameras) EXPECT_NE(find_golden(golden_name(camera)), nullptr) << golden_name(camera);
}

TEST_F(FloorTest, WholeFloorsMatchTheGoldenSet) {
    for (const Camera& camera : golden_cameras) {
        const std::string name = golden_name(camera);
        const GoldenFile* golden = find_golden(name);
        ASSERT_NE(golden, nullptr) << name;
        ASSERT_EQ(golden->size, 99u * 240u / 2u) << name;

        pixels_.assign(floor_width * floor_height, floor_sentinel);
        render_floor(camera.x, camera.y, camera.z, camera.angle);

        int mismatches = 0;
        for (int row = 0; row < floor_height; ++row) {
            for (int col = 0; col < floor_width; ++col) {
                uint32_t expected = floor_sentinel;  // rows 0..59 and 159 stay untouched
                if (row >= 60 && row <= 158) {
                    const int k = (row - 60) * floor_width + col;
                    const int index = (golden->data[k / 2] >> (k % 2 == 0 ? 4 : 0)) & 15;
                    expected = floor_palette[index];
                }
                if (pixel(row, col) != expected && ++mismatches <= 5)
                    ADD_FAILURE() << name << ": pixel (" << col << ", " << row << ") is " << std::hex
                                  << pixel(row, col) << ", golden " << expected;
            }
        }
        EXPECT_EQ(mismatches, 0) << name;
    }
}

}  // namespace
