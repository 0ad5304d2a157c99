// The camera controls, the floor composition and one drawn frame of the demo.
#include "demo/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "demo/floor.h"
#include "demo/tables.h"
#include "host/input.h"
#include "images/bmp.h"
#include "platform/messages.h"
#include "surface/surface.h"

namespace {

class SceneTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_tables(); }
    void SetUp() override {
        for (auto& key : key_state) key.store(0);
        init_windowless_surface();
        std::memset(surface.bits, 0x5A, surface_array_bytes);
        init_floor_pixels();
        floor = floor_pixels;
    }
    void TearDown() override {
        surface.bits = nullptr;
        floor_pixels = nullptr;
    }
    // Holds the keys for `passes` control steps from `camera`.
    static Camera hold(std::initializer_list<int> keys, int passes, Camera camera = start_camera) {
        for (int key : keys) key_state[key].store(1);
        for (int i = 0; i < passes; ++i) apply_controls(camera);
        for (int key : keys) key_state[key].store(0);
        return camera;
    }
    const uint8_t* at(int x, int y) { return surface.bits + pixel_offset(x, y); }
    uint32_t* floor = nullptr;  // floor_width x floor_height colours
};

TEST_F(SceneTest, StepsAreTruncatedTowardZeroAlongEachHeading) {
    Camera up = hold({VK_UP}, 3);
    EXPECT_EQ(up.x, 6144 + 3 * 173);  // 2896 * 0.06 = 173.76
    EXPECT_EQ(up.z, 6144 + 3 * 173);
    Camera down = hold({VK_DOWN}, 1);  // heading 159: not the exact reverse
    EXPECT_EQ(down.x, 6144 - 169);
    EXPECT_EQ(down.z, 6144 - 177);
    Camera left = hold({'A'}, 1);
    EXPECT_EQ(left.x, 6144 - 173);  // -2896 * 0.06 moves -173, not -174
    EXPECT_EQ(left.z, 6144 + 173);
    Camera right = hold({'R'}, 1);
    EXPECT_EQ(right.x, 6144 + 173);
    EXPECT_EQ(right.z, 6144 - 173);
}

TEST_F(SceneTest, ExactProductsStayExact) {
    // 100 * 0.06 and 2750 * 0.06 are exactly 6 and 165 in double precision.
    int16_t table[256] = {};
    table[10] = 100;
    table[74] = 2750;
    int16_t* real = sine_table;
    sine_table = table;
    int32_t x = 0, z = 0;
    move_camera(x, z, 10 + 256);  // the heading is taken modulo 256
    sine_table = real;
    EXPECT_EQ(x, 6);
    EXPECT_EQ(z, 165);
}

TEST_F(SceneTest, CoordinatesWrapInsteadOfOverflowing) {
    Camera camera = start_camera;
    camera.x = INT32_MAX;
    camera.z = INT32_MAX;
    camera = hold({VK_UP}, 1, camera);
    EXPECT_EQ(camera.x, INT32_MIN + 172);
    EXPECT_EQ(camera.z, INT32_MIN + 172);
}

TEST_F(SceneTest, HeightStaysBetweenItsFloorAndCeiling) {
    std::vector<int32_t> heights;
    Camera camera = start_camera;
    for (int i = 0; i < 12; ++i) heights.push_back((camera = hold({'C'}, 1, camera)).y);
    EXPECT_EQ(heights, (std::vector<int32_t>{4710, 4300, 3890, 3480, 3070, 2660, 2250, 1840, 1430,
                                             1020, 1020, 1020}));
    heights.clear();
    camera = start_camera;
    for (int i = 0; i < 7; ++i) heights.push_back((camera = hold({'E'}, 1, camera)).y);
    EXPECT_EQ(heights, (std::vector<int32_t>{5529, 5938, 6347, 6756, 7165, 7165, 7165}));
    // Both held: down 410, up 409, one unit per period.
    EXPECT_EQ(hold({'C', 'E'}, 3).y, 5117);
}

TEST_F(SceneTest, TurnsWrapAndTheStepUsesTheHeadingTurnedInTheSamePass) {
    Camera camera = start_camera;
    camera.view_angle = 0;
    camera.back_angle = 127;
    camera.side_angle = 64;
    camera = hold({VK_LEFT}, 1, camera);
    EXPECT_EQ(camera.view_angle, 254);
    EXPECT_EQ(camera.back_angle, 125);
    EXPECT_EQ(camera.side_angle, 62);
    EXPECT_EQ(hold({VK_RIGHT}, 1, camera).view_angle, 0);

    Camera turned = hold({VK_LEFT, VK_UP}, 1);  // heading 30 by the time it steps
    int32_t x = 6144, z = 6144;
    move_camera(x, z, 30);
    EXPECT_EQ(turned.x, x);
    EXPECT_EQ(turned.z, z);
    EXPECT_EQ(hold({VK_RIGHT}, 128).view_angle, 32);  // a full turn in 128 periods
}

TEST_F(SceneTest, AFreshFloorBufferIsBlackWhateverTheLastOneHeld) {
    std::fill(floor, floor + floor_width * floor_height, 0x00FFFFFFu);
    init_floor_pixels();
    EXPECT_EQ(floor_pixels, floor);  // the same storage, cleared
    for (int32_t i = 0; i < floor_width * floor_height; ++i) ASSERT_EQ(floor[i], 0u) << "pixel " << i;
}

TEST_F(SceneTest, FloorColoursLandAsBlueGreenRedAndTheKeyIsSkipped) {
    floor[0] = 0x00AA55FE;  // low byte 254: left out
    floor[1] = 0x00FF5500;
    floor[159 * 240 + 239] = 0x00010203;  // the bottom row lands on surface row 159
    compose_floor();
    EXPECT_EQ(at(0, 0)[0], 0x5A);
    EXPECT_EQ(at(1, 0)[0], 0xFF);
    EXPECT_EQ(at(1, 0)[1], 0x55);
    EXPECT_EQ(at(1, 0)[2], 0x00);
    EXPECT_EQ(at(239, 159)[0], 1);
    EXPECT_EQ(at(239, 159)[2], 3);
    // The spare row is no surface row: composition never reaches it.
    for (int b = 160 * 720; b < 161 * 720; ++b) ASSERT_EQ(surface.bits[b], 0x5A);
}

TEST_F(SceneTest, CompositionHonoursTheClipRect) {
    clip_rect = ClipRect{20, 10, 200, 150};
    std::fill(floor, floor + floor_width * floor_height, 0x00102000u);
    compose_floor();
    EXPECT_EQ(at(20, 10)[0], 0x10);   // floor (0, 0)
    EXPECT_EQ(at(199, 149)[0], 0x10);  // floor (179, 139)
    EXPECT_EQ(at(200, 149)[0], 0x5A);
    EXPECT_EQ(at(19, 10)[0], 0x5A);
    EXPECT_EQ(at(20, 9)[0], 0x5A);
    EXPECT_EQ(at(20, 150)[0], 0x5A);
}

// Composition against a pixel-by-pixel model, on colours that test the row's quick paths:
// keyed colours at every position of a four-pixel group and in a row's tail, key bytes
// outside the low byte (not keyed), black rows and black pixels, over clip rects whose
// rows start and end at every alignment.
TEST_F(SceneTest, CompositionMatchesAPixelByPixelModel) {
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    for (int r = 0; r < floor_height; ++r) {
        for (int c = 0; c < floor_width; ++c) {
            uint32_t& colour = floor[r * floor_width + c];
            if (r % 7 == 0) colour = 0;                        // black rows
            else if (r % 7 == 1) colour = 0xFEFEFE00u | (c & 0xFF);  // key bytes, never low
            else if (r % 7 == 2 && c % 9 == r % 5) colour = 0x001234FEu;  // keyed
            else colour = next() >> 4;
        }
    }
    floor[3 * floor_width + 239] = 0x00ABCDFEu;  // keyed in the last column
    const ClipRect clips[] = {{0, 0, 240, 160}, {1, 2, 240, 160}, {-3, -5, 230, 150},
                              {5, 7, 7, 9},     {-2, 0, 1, 160},  {2, 1, 238, 159}, {0, 0, 0, 160}};
    for (const ClipRect& clip : clips) {
        std::memset(surface.bits, 0x5A, surface_array_bytes);
        clip_rect = clip;
        compose_floor();
        std::vector<uint8_t> expected(surface_array_bytes, 0x5A);
        for (int y = 0; y < surface_height; ++y) {
            for (int x = 0; x < surface_width; ++x) {
                const int r = y - clip.top, c = x - clip.left;
                if (y >= clip.bottom || x >= clip.right || r < 0 || c < 0 || r >= floor_height || c >= floor_width)
                    continue;
                const uint32_t colour = floor[r * floor_width + c];
                if ((colour & 0xFF) == 254) continue;
                uint8_t* out = expected.data() + pixel_offset(x, y);
                out[0] = static_cast<uint8_t>(colour >> 16);
                out[1] = static_cast<uint8_t>(colour >> 8);
                out[2] = static_cast<uint8_t>(colour);
            }
        }
        for (int b = 0; b < surface_array_bytes; ++b)
            ASSERT_EQ(surface.bits[b], expected[b]) << "clip " << clip.left << ", " << clip.top << ", " << clip.right
                                              << ", " << clip.bottom << ": byte " << b;
    }
}

TEST_F(SceneTest, DrawnFrameClearsEverythingAndPutsTheSpritesQuarterTopLeft) {
    std::vector<uint8_t> ball(32 * 32 * 3, 254);  // keyed everywhere...
    for (int r = 16; r < 32; ++r)
        for (int c = 16; c < 32; ++c) ball[(r * 32 + c) * 3] = 7;  // ...but its last quarter
    Sprite sprite{5, 5, 32, 32, ball.data()};
    draw_frame(start_camera, &sprite);
    EXPECT_EQ(sprite.x, -16);
    EXPECT_EQ(sprite.y, -16);
    EXPECT_EQ(at(0, 0)[0], 7);
    EXPECT_EQ(at(15, 15)[0], 7);
    EXPECT_EQ(at(16, 0)[0], 0);  // sky: cleared and composed black
    for (int b = 160 * 720; b < 161 * 720; ++b) ASSERT_EQ(surface.bits[b], 0);

    draw_frame(start_camera, nullptr);  // no sprite: the floor alone
    EXPECT_EQ(at(0, 0)[0], 0);
}

}  // namespace
