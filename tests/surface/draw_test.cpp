// blit_sprite, invert_rect, draw_text and the shapes: clipping, the colour key, the font's pixels, and
// never a byte outside the rectangle.
#include "surface/draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "surface/surface.h"
#include "surface/text.h"

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

    // Expects `golden` (rows of '#' in the text's colour 0x123456 and '.' left as it was)
    // drawn with its top-left at surface pixel (gx, gy), seen through `visible`, and nothing
    // else changed.
    void expect_golden(const char* const* golden, int32_t gx, int32_t gy, Rect visible) {
        const int32_t width = int32_t(std::strlen(golden[0]));
        expect_only(visible, [&](int32_t dx, int32_t dy, uint8_t* out) {
            const int32_t c = visible.x + dx - gx, r = visible.y + dy - gy;
            if (c < 0 || c >= width || r < 0 || r >= 7 || golden[r][c] != '#') return;
            out[0] = 0x56, out[1] = 0x34, out[2] = 0x12;
        });
    }

    // The shapes against pictures this test makes its own way: each pixel inside the clip inked
    // or not by a predicate on surface coordinates.
    void expect_inked(const ClipRect& clip, const std::function<bool(int64_t, int64_t)>& inked) {
        std::vector<uint8_t> expected = before;
        for (int32_t y = std::max(clip.top, 0); y < std::min(clip.bottom, 160); ++y)
            for (int32_t x = std::max(clip.left, 0); x < std::min(clip.right, 240); ++x)
                if (inked(x, y)) std::memcpy(&expected[pixel_offset(x, y)], "\x56\x34\x12", 3);
        ASSERT_EQ(pixels(), expected);
    }
};

constexpr uint32_t ink = 0x123456;

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
    fill_rect(0, 0, 240, 160, ink);
    draw_rect(0, 0, 240, 160, ink);
    draw_line(0, 0, 239, 159, ink);
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

// Golden pictures of draw_text.
const char* const pictavon_box[7] = {  // "Pictavon 1.0\x01": a code without a glyph is a box
    "####....#..........#....................................#..........###..#####",
    "#...#..............#...................................##.........#...#.#...#",
    "#...#..##....####.####...####.#...#..###..####..........#.........#..##.#...#",
    "####....#...#......#....#...#.#...#.#...#.#...#.........#.........#.#.#.#...#",
    "#.......#...#......#..#.#..##..#.#..#...#.#...#.........#.........##..#.#...#",
    "#......###...####...##...##.#...#....###..#...#........###....#....###..#...#",
    "........................................................................#####"};
const char* const french[7] = {  // "Été à Noël «°»", drawn from its Windows-1252 bytes
    "...#...#.......#.........#..........#...#........#.#...##................###.......",
    "#####..#............................##..#...............#...........#.#..#.#..#.#..",
    "#.....####...###.........####.......#.#.#..###...###....#..........#.#...###...#.#.",
    "####...#....#####.......#...#.......#..##.#...#.#####...#.........#.#...........#.#",
    "#......#..#.#...........#..##.......#...#.#...#.#.......#..........#.#.........#.#.",
    "#####...##...###.........##.#.......#...#..###...###...###..........#.#.......#.#..",
    "..................................................................................."};
TEST_F(Draw, TextDrawsTheGlyphsPixelForPixelClippedToTheClipRect) {
    struct Case {
        const char* text;
        const char* const* golden;
        int32_t x, y;
        ClipRect clip;
        Rect visible;  // the golden's pixels that land inside the clip, in surface pixels
    };
    const ClipRect full{0, 0, 240, 160}, inner{20, 10, 200, 150}, beyond{-9, -9, 999, 999};
    const char* pict = "Pictavon 1.0\x01";
    const char* fr = "\xC9t\xE9 \xE0 No\xEBl \xAB\xB0\xBB";
    const Case cases[] = {
        {pict, pictavon_box, 7, 30, full, {7, 30, 77, 7}},
        {fr, french, 150, 100, full, {150, 100, 83, 7}},
        {pict, pictavon_box, -8, -3, full, {0, 0, 69, 4}},
        {fr, french, 200, 155, full, {200, 155, 40, 5}},
        {pict, pictavon_box, -4, -2, inner, {20, 10, 73, 5}},
        {fr, french, 150, 137, inner, {170, 147, 30, 3}},
        {pict, pictavon_box, 236, 157, beyond, {227, 148, 13, 7}},  // never off the surface
        {pict, pictavon_box, 5, 6, beyond, {0, 0, 73, 4}},          // nor in the spare row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text at (" << c.x << ", " << c.y << "), clip left " << c.clip.left);
        SetUp();
        clip_rect = c.clip;
        const int32_t glyphs = int32_t(std::strlen(c.text));
        EXPECT_EQ(draw_text(c.x, c.y, c.text, ink), c.x + 6 * glyphs);
        expect_golden(c.golden, c.clip.left + c.x, c.clip.top + c.y, c.visible);
    }
}

TEST_F(Draw, TextNewlineStartsALineAtXEightPixelsLower) {
    EXPECT_EQ(draw_text(33, 40, "Pic\nta\x01", ink), 33 + 18);
    const std::vector<uint8_t> with_newline = pixels();
    SetUp();
    draw_text(33, 40, "Pic", ink);
    draw_text(33, 48, "ta\x01", ink);
    EXPECT_EQ(pixels(), with_newline);
    EXPECT_EQ(draw_text(5, 5, "abc\n", ink), 5);
}

TEST_F(Draw, TextAtAnyPositionWritesNothingOutsideAndReturnsTheClampedEnd) {
    clip_rect = ClipRect{20, 10, 200, 150};
    EXPECT_EQ(draw_text(INT32_MAX - 6, 0, "ab", ink), INT32_MAX);
    EXPECT_EQ(draw_text(INT32_MIN, INT32_MIN, "abc\n\n\nx", ink), INT32_MIN + 6);
    EXPECT_EQ(draw_text(-30, INT32_MAX - 3, "ab\nab", ink), -18);
    EXPECT_EQ(draw_text(181, 0, "\n\n\n", ink), 181);
    EXPECT_EQ(draw_text(4, 4, nullptr, ink), 4);
    EXPECT_EQ(pixels(), before);
    surface.bits = nullptr;
    EXPECT_EQ(draw_text(4, 4, "abc", ink), 22);
    EXPECT_EQ(pixels(), before);
}

const ClipRect full_clip{0, 0, 240, 160}, inner_clip{20, 10, 200, 150}, beyond_clip{-9, -9, 999, 999};

TEST_F(Draw, RectanglesFillOrOutlineExactlyTheirPixelsWithinTheClip) {
    const std::pair<Rect, ClipRect> cases[] = {
        {{10, 20, 30, 5}, full_clip}, {{-5, -5, 12, 9}, full_clip}, {{230, 150, 20, 20}, full_clip},
        {{7, 7, 1, 1}, full_clip}, {{7, 7, 1, 6}, full_clip}, {{7, 7, 6, 2}, full_clip}, {{3, 3, 0, 5}, full_clip},
        {{3, 3, 5, -1}, full_clip}, {{-4, -2, 30, 30}, inner_clip}, {{-20, -20, 300, 200}, beyond_clip},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, full_clip}, {{-100, 50, INT32_MAX, INT32_MAX}, full_clip}};
    for (const auto& [r, clip] : cases)
        for (bool outline : {false, true}) {
            SCOPED_TRACE(testing::Message() << "(" << r.x << ", " << r.y << ") " << r.cx << " x " << r.cy << " " << outline);
            const int64_t left = int64_t{r.x} + clip.left, top = int64_t{r.y} + clip.top;
            const int64_t right = left + r.cx, bottom = top + r.cy;  // exclusive
            SetUp();
            clip_rect = clip;
            (outline ? draw_rect : fill_rect)(r.x, r.y, r.cx, r.cy, ink);
            expect_inked(clip, [&](int64_t x, int64_t y) {
                return x >= left && x < right && y >= top && y < bottom &&
                       (!outline || x == left || x == right - 1 || y == top || y == bottom - 1);
            });
        }
}

__extension__ typedef __int128 Wide;  // wide enough for any line of int32_t ends

TEST_F(Draw, LinesTakeTheNearestPixelAtEveryStepWhicheverEndComesFirst) {
    std::vector<std::pair<Rect, ClipRect>> cases = {  // (x0, y0) to (x1, y1): edges, clips, ends far out
        {{-50, -20, 300, 190}, full_clip}, {{239, 0, 0, 159}, full_clip}, {{-1, 159, 240, 159}, full_clip},
        {{0, -1, 239, -1}, full_clip}, {{-2, 10, 2, 11}, full_clip}, {{-2, 11, 2, 10}, full_clip},  // ties cut
        {{5, 5, 195, 145}, inner_clip}, {{-30, 70, 250, 60}, inner_clip}, {{-20, -20, 400, 300}, beyond_clip},
        {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, full_clip}, {{INT32_MIN, 100, INT32_MAX, 40}, full_clip},
        {{50, INT32_MAX, 51, INT32_MIN}, full_clip}, {{INT32_MAX - 5, 3, INT32_MIN + 7, 150}, inner_clip}};
    // Every octant, axis and diagonal from (100, 80), and half-way ties.
    for (auto [dx, dy] : {std::pair{37, 11}, {11, 37}, {40, 0}, {0, 40}, {40, 40}, {4, 1}, {1, 4}, {0, 0}})
        for (int32_t sx : {-1, 1})
            for (int32_t sy : {-1, 1}) cases.push_back({{100, 80, 100 + sx * dx, 80 + sy * dy}, full_clip});
    for (const auto& [l, clip] : cases) {
        SCOPED_TRACE(testing::Message() << "(" << l.x << ", " << l.y << ") to (" << l.cx << ", " << l.cy << ")");
        // Along the longer axis u from its lower end: v = floor(v0 + (u - u0) dv / du + 1/2).
        Wide ax = Wide{l.x} + clip.left, ay = Wide{l.y} + clip.top, bx = Wide{l.cx} + clip.left, by = Wide{l.cy} + clip.top;
        const bool steep = (by > ay ? by - ay : ay - by) > (bx > ax ? bx - ax : ax - bx);
        if (steep ? by < ay : bx < ax) std::swap(ax, bx), std::swap(ay, by);
        const Wide u0 = steep ? ay : ax, v0 = steep ? ax : ay, du = (steep ? by : bx) - u0, dv = (steep ? bx : by) - v0;
        auto on_line = [&](int64_t x, int64_t y) {
            const Wide u = steep ? y : x, v = steep ? x : y, n = 2 * (u - u0) * dv + du;
            if (u < u0 || u > u0 + du) return false;
            return du == 0 ? v == v0 : v == v0 + n / (2 * du) - (n < 0 && n % (2 * du) != 0);
        };
        for (bool reversed : {false, true}) {
            SetUp();
            clip_rect = clip;
            reversed ? draw_line(l.cx, l.cy, l.x, l.y, ink) : draw_line(l.x, l.y, l.cx, l.cy, ink);
            expect_inked(clip, on_line);
        }
    }
}

}  // namespace
