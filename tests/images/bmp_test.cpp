// The picture reader on BMP and PNG files, real, damaged and hostile, and the demo's ball.
#include "images/bmp.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "surface/draw.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes read_file(const std::string& path) {
    Bytes bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    return bytes;
}

std::string write_temp(const char* name, const Bytes& bytes) {
    std::string path = testing::TempDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

uint16_t word_at(const Bytes& file, size_t offset) {
    return uint16_t(file[offset] | file[offset + 1] << 8);
}

// What the reader must make of a file: the bytes from offset 54 on, bottom row first,
// no padding skipped, 255 past the end.
Bytes expected_pixels(const Bytes& file) {
    const size_t cx = word_at(file, 18), cy = word_at(file, 22), row_bytes = cx * 3;
    Bytes out(row_bytes * cy);
    for (size_t r = 0; r < cy; ++r)
        for (size_t j = 0; j < row_bytes; ++j) {
            size_t at = 54 + (cy - 1 - r) * row_bytes + j;
            out[r * row_bytes + j] = at < file.size() ? file[at] : 255;
        }
    return out;
}

struct SpriteDeleter {
    void operator()(Sprite* s) const { delete[] s->bits, delete s; }
};
using SpritePtr = std::unique_ptr<Sprite, SpriteDeleter>;

SpritePtr load(const std::string& path) { return SpritePtr(load_sprite(path.c_str())); }

Bytes pixels_of(const Sprite& s) { return Bytes(s.bits, s.bits + size_t(s.cx) * s.cy * 3); }

const std::string corpus = PICTAVON_CORPUS "/";

TEST(LoadSprite, ReadsEveryImageMagickFormAsTheNarrowSubsetSays) {
    for (const char* name : {"w4.bmp", "w5.bmp", "w7.bmp", "w32.bmp", "topdown.bmp", "pal8.bmp",
                             "rle8.bmp", "rgba32.bmp", "v5.bmp", "cut-pixels.bmp",
                             "cut-header.bmp"}) {
        SCOPED_TRACE(name);
        const Bytes file = read_file(corpus + name);
        ASSERT_GE(file.size(), 54u);
        SpritePtr s = load(corpus + name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->x, 0);
        EXPECT_EQ(s->y, 0);
        EXPECT_EQ(s->cx, word_at(file, 18));
        EXPECT_EQ(s->cy, word_at(file, 22));
        EXPECT_EQ(bmp_width, s->cx);
        EXPECT_EQ(bmp_height, s->cy);
        EXPECT_TRUE(pixels_of(*s) == expected_pixels(file));
    }
}

TEST(LoadSprite, ADirectoryIsNoPictureAndKeepsTheSize) {
    SpritePtr s = load(corpus + "w4.bmp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(load(PICTAVON_CORPUS), nullptr);
    EXPECT_EQ(bmp_width, 4);
    EXPECT_EQ(bmp_height, 2);
}

TEST(LoadSprite, OddFilesComeOutAsStated) {
    // 5 x 2: the top row starts with the bottom row's padding byte.
    const Bytes file = read_file(corpus + "w5.bmp");
    SpritePtr s = load(corpus + "w5.bmp");
    EXPECT_EQ(Bytes(s->bits, s->bits + 15), Bytes(file.begin() + 69, file.begin() + 84));
    // Height -16: 65520 rows, the file's 16 at the bottom, 255 above them.
    s = load(corpus + "topdown.bmp");
    ASSERT_EQ(s->cy, 65520);
    EXPECT_EQ(Bytes(s->bits, s->bits + 65504 * 12), Bytes(65504 * 12, 255));
    // Cut after the header: the header's size, all 255.
    s = load(corpus + "cut-header.bmp");
    EXPECT_EQ(pixels_of(*s), Bytes(32 * 32 * 3, 255));
}

// w4.bmp with its width and height fields replaced.
std::string with_size(const char* name, uint32_t width, uint32_t height) {
    Bytes file = read_file(corpus + "w4.bmp");
    for (int i = 0; i < 4; ++i) {
        file[18 + i] = uint8_t(width >> 8 * i);
        file[22 + i] = uint8_t(height >> 8 * i);
    }
    return write_temp(name, file);
}

TEST(LoadSprite, SizesFromTheLow16BitsZeroIsEmptyAndHugeIsRefused) {
    SpritePtr s = load(with_size("wide.bmp", 0x10004, 2));  // only the low 16 bits count
    EXPECT_EQ(s->cx, 4);
    for (auto [w, h] : {std::pair{0u, 2u}, {4u, 0u}}) {
        s = load(with_size("empty.bmp", w, h));
        ASSERT_NE(s, nullptr);
        EXPECT_NE(s->bits, nullptr);
        EXPECT_EQ(s->cx, int32_t(w));
        EXPECT_EQ(s->cy, int32_t(h));
    }
    // Pixel buffers are limited to 256 MiB: 65535 x 1365 x 3 bytes is the last size read.
    s = load(with_size("limit.bmp", 65535, 1365));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bits[0], 255);  // top row: far past the end of the file
    EXPECT_EQ(s->bits[size_t(65535) * 1365 * 3 - 1], 255);
    // Above it, and a file too short for a header, fail like a missing file: size kept.
    for (const std::string& path : {with_size("over.bmp", 65535, 1366),
                                    with_size("max.bmp", 65535, 65535), corpus + "short.bmp",
                                    corpus + "no such file.bmp"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(load(path), nullptr);
        EXPECT_EQ(bmp_width, 65535);
        EXPECT_EQ(bmp_height, 1365);
    }
}

// rgba.png as a sprite (make-corpus.sh draws it by the same formula): transparent pixels
// the key (254, 0, 0), the opaque blue 254 at (3, 1) taken as 255.
Bytes rgba_png_sprite() {
    Bytes out;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            out.insert(out.end(), {uint8_t(x == 0 ? 254 : x == 3 && y == 1 ? 255 : 10 * x + y),
                                   uint8_t(x == 0 ? 0 : 60 * y), uint8_t(x == 0 ? 0 : 30 * x)});
    return out;
}

TEST(LoadSprite, PngIsToldByItsContentItsTransparencyIsTheKeyAndHostileOnesAreRefused) {
    for (const std::string& path : {corpus + "rgba.png", corpus + "rgba16.png", corpus + "interlaced.png",
                                    write_temp("png-named.bmp", read_file(corpus + "rgba.png"))}) {
        SCOPED_TRACE(path);
        SpritePtr s = load(path);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::pair(s->cx, s->cy), std::pair(8, 4));
        EXPECT_EQ(pixels_of(*s), rgba_png_sprite());
    }
    for (const char* name : {"cut.png", "signature-only.png", "header-only.png", "zero-width.png", "bad-depth.png",
                             "wide.png", "huge.png", "chunk-bomb.png", "zlib-bomb.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(load(corpus + name), nullptr);
        EXPECT_EQ(std::pair(bmp_width, bmp_height), std::pair(8, 4));  // the last size kept
    }
}

TEST(Ball, IsA24BitBmpWithItsBackgroundKeyedAndItsVisibleQuarterDrawn) {
    const Bytes file = read_file(PICTAVON_ASSETS "/balle.bmp");
    ASSERT_GE(file.size(), 54u);
    SpritePtr s = load(PICTAVON_ASSETS "/balle.bmp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(word_at(file, 10), 54);  // pixels right after the header
    EXPECT_EQ(word_at(file, 28), 24);  // bits per pixel
    EXPECT_EQ(word_at(file, 30), 0);   // uncompressed
    EXPECT_EQ(s->cx % 4, 0);           // rows carry no padding
    EXPECT_EQ(file.size(), 54 + size_t(s->cx) * s->cy * 3);
    const auto blue = [&](int32_t c, int32_t r) { return s->bits[3 * (r * s->cx + c)]; };
    EXPECT_EQ(blue(0, 0), colour_key);
    EXPECT_EQ(blue(s->cx - 1, s->cy - 1), colour_key);  // the corner the demo shows
    EXPECT_NE(blue(16, 16), colour_key);                // the ball's middle
}

}  // namespace
