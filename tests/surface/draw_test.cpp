// blit_sprite and invert_rect: clipping, the colour key, and never a byte outside the rectangle.
#include "surface/draw.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "surface/surface.h"

namespace {

struct Rect {
    int32_t x, y, cx, cy;
};

// A 161-row pixel array with every byte different from its neighbours, wired into surface.
class Draw : public ::testing::Test {
protected:
    uint8_t* bits = nullptr;  // the array, still at hand when a test nulls surface.bits
    std::vector<uint8_t> before;

    void SetUp() override {
        init_windowless_surface();
        bits = surface.bits;
        for (int32_t i = 0; i < surface_array_bytes; ++i) bits[i] = static_cast<uint8_t>(i * 7 + 3);
        before = pixels();
    }
    std::vector<uint8_t> pixels() const { return std::vector<uint8_t>(bits, bits + surface_array_bytes); }
    void TearDown() override { surface.bits = nullptr; }

    // Expects the array to be `before` but for the surface pixels of `drawn`, each changed as
    // `pixel_at` changes it, given its place (x - drawn.x, y - drawn.y) in `drawn`.
    template <typename PixelAt>
    void expect_only(Rect drawn, PixelAt pixel_at) {
        std::vector<uint8_t> expected = before;
        for (int32_t y = drawn.y; y < drawn.y + drawn.cy; ++y)
            for (int32_t x = drawn.x; x < drawn.x + drawn.cx; ++x)
                pixel_at(x - drawn.x, y - drawn.y, &expected[pixel_offset(x, y)]);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(int(bits[i]), int(expected[i]))
                << "array byte " << i << " (row " << i / 720 << ", byte " << i % 720 << ")";
    }
};

void complement(int32_t, int32_t, uint8_t* pixel) {
    for (int i = 0; i < 3; ++i) pixel[i] = uint8_t(~pixel[i]);
}

// A block whose pixel (c, r) is (c, r, 77): where each drawn pixel came from shows.
std::vector<uint8_t> numbered_block(int32_t cx, int32_t cy) {
    std::vector<uint8_t> block;
    for (int32_t r = 0; r < cy; ++r)
        for (int32_t c = 0; c < cx; ++c) block.insert(block.end(), {uint8_t(c), uint8_t(r), 77});
    return block;
}

TEST_F(Draw, BlitClipsToTheClipRectAndTakesTheMatchingSourcePixels) {
    struct Case {
        Rect call;
        ClipRect clip;
        int32_t src_x, src_y;  // source pixel drawn at the top-left of `drawn`
        Rect drawn;
    };
    const ClipRect full{0, 0, 240, 160}, inner{20, 10, 200, 150};
    const Case cases[] = {
        {{-16, -16, 32, 32}, full, 16, 16, {0, 0, 16, 16}},
        {{208, 100, 32, 20}, full, 0, 0, {208, 100, 32, 20}},  // right edge exactly at 240
        {{230, 150, 20, 20}, full, 0, 0, {230, 150, 10, 10}},
        {{-5, 7, 250, 3}, full, 5, 0, {0, 7, 240, 3}},
        {{240, 0, 8, 8}, full, 0, 0, {0, 0, 0, 0}},
        {{0, 160, 8, 8}, full, 0, 0, {0, 0, 0, 0}},
        {{-10, -10, 5, 5}, full, 0, 0, {0, 0, 0, 0}},
        {{3, 3, 0, 5}, full, 0, 0, {0, 0, 0, 0}},
        {{3, 3, 5, 0}, full, 0, 0, {0, 0, 0, 0}},
        {{-16, -16, 32, 32}, inner, 16, 16, {20, 10, 16, 16}},
        {{170, 130, 32, 32}, inner, 0, 0, {190, 140, 10, 10}},
        {{-3, 138, 200, 20}, inner, 3, 0, {20, 148, 180, 2}},
        {{179, 139, 2, 2}, inner, 0, 0, {199, 149, 1, 1}},  // one past right and bottom
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "blit at (" << c.call.x << ", " << c.call.y << ") of "
                                        << c.call.cx << " x " << c.call.cy << ", clip left "
                                        << c.clip.left);
        SetUp();
        clip_rect = c.clip;
        const std::vector<uint8_t> block = numbered_block(c.call.cx, c.call.cy);
        blit_sprite(c.call.x, c.call.y, c.call.cx, c.call.cy, block.data());
        expect_only(c.drawn, [&](int32_t dx, int32_t dy, uint8_t* out) {
            const uint8_t* in = &block[3 * ((c.src_y + dy) * c.call.cx + c.src_x + dx)];
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
        });
    }
}

TEST_F(Draw, ColourKeyTestsTheFirstByteOnly) {
    const uint8_t block[] = {254, 10, 20, 253, 10, 20, 255, 10, 20, 10, 254, 254};
    blit_sprite(100, 50, 4, 1, block);
    expect_only({101, 50, 3, 1}, [&](int32_t dx, int32_t, uint8_t* out) {
        for (int i = 0; i < 3; ++i) out[i] = block[3 * (dx + 1) + i];
    });
}

TEST_F(Draw, NothingIsDrawnWithoutSurfaceOrSourceOrWithAbsurdSizes) {
    const uint8_t block[3] = {1, 2, 3};
    blit_sprite(0, 0, 1, 1, nullptr);
    blit_sprite(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, block);
    invert_rect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
    invert_rect(INT32_MAX, 0, INT32_MAX, 1);
    invert_rect(0, 0, INT32_MIN, INT32_MIN);
    EXPECT_EQ(pixels(), before);
    surface.bits = nullptr;
    blit_sprite(0, 0, 1, 1, block);
    invert_rect(0, 0, 240, 160);
    EXPECT_EQ(pixels(), before);
}

TEST_F(Draw, InvertComplementsTheClippedRectangleOnly) {
    invert_rect(0, 0, 240, 160);  // every surface byte, not the spare row
    expect_only({0, 0, 240, 160}, complement);
    invert_rect(0, 0, 240, 160);
    EXPECT_EQ(pixels(), before);

    invert_rect(-5, -5, INT32_MAX, INT32_MAX);  // huge sizes clip like any other
    expect_only({0, 0, 240, 160}, complement);
    SetUp();
    clip_rect = ClipRect{20, 10, 200, 150};
    invert_rect(-30, -5, 40, 10);
    expect_only({20, 10, 10, 5}, complement);
}

}  // namespace
