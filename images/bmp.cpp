// Reading a picture file into a Sprite: PNG (png.cpp) or an uncompressed 24-bit BMP, told
// apart by the file's first bytes.
//
// The BMP reader takes one narrow subset and checks nothing: the size comes from fixed places in
// the header and the pixels are whatever follows the 54 header bytes, read as one unbroken
// stream of 3-byte pixels, bottom row first, with no row padding skipped.
#include "images/bmp.h"

#include "images/png.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <new>

int32_t bmp_width, bmp_height;

namespace {

constexpr int header_words = 27;  // 54 bytes: the 14-byte file header and a 40-byte info header

// The header as 27 little-endian 16-bit words.
uint16_t header_word(const uint8_t* header, int index) {
    return static_cast<uint16_t>(header[2 * index] | header[2 * index + 1] << 8);
}

// Fills rows bottom-up from the stream; every byte past the end of the file (or a read
// error) is 255, as a byte-by-byte read that stores the low byte of EOF would leave it.
void read_rows_bottom_up(std::FILE* file, uint8_t* buffer, uint64_t row_bytes, int32_t rows) {
    for (int32_t row = rows - 1; row >= 0; --row) {
        uint8_t* dst = buffer + row * row_bytes;
        size_t got = std::fread(dst, 1, row_bytes, file);
        if (got < row_bytes) {
            // This row's tail and every row above it in the buffer (earlier rows) stay unread.
            std::memset(dst + got, 255, row_bytes - got);
            std::memset(buffer, 255, row * row_bytes);
            return;
        }
    }
}

// The BMP that `file` holds, from its start; the file stays open.
uint8_t* read_bmp(std::FILE* file) {
    uint8_t header[2 * header_words];
    // Too short to hold a header: no size is defined, so treat it as unreadable.
    if (std::fread(header, 2, header_words, file) != header_words) return nullptr;
    // Words 0-4: signature "BM", file size, reserved: not checked.
    // Words 5-6: offset of the pixel data: ignored, the pixels always start at byte 54.
    // Words 7-8: size of the info header: ignored.
    // Word 9: low 16 bits of the width, unsigned. Word 10: its high half, ignored.
    // Word 11: low 16 bits of the height, unsigned, so a top-down file's negative height
    // reads as 65536 minus its row count. Word 12: its high half, ignored.
    // Word 13: planes; word 14: bits per pixel, ignored: the pixels are always 24-bit.
    // Words 15-16: compression, ignored: the pixels are always taken as stored.
    // Words 17-26: image size, resolutions, colour counts: ignored.
    const int32_t width = header_word(header, 9);
    const int32_t height = header_word(header, 11);

    const uint64_t row_bytes = uint64_t(width) * 3;
    const uint64_t pixel_bytes = row_bytes * uint64_t(height);  // at most 12.9e9: no overflow
    uint8_t* buffer =
        pixel_bytes <= max_sprite_bytes ? new (std::nothrow) uint8_t[pixel_bytes] : nullptr;
    if (buffer == nullptr) return nullptr;  // refused like a file that cannot be opened: the previous size stays
    bmp_width = width;
    bmp_height = height;
    if (pixel_bytes > 0) read_rows_bottom_up(file, buffer, row_bytes, height);
    return buffer;
}

// PNG or BMP, by the first bytes; the size goes to bmp_width and bmp_height either way.
uint8_t* read_picture(std::FILE* file) {
    uint8_t first[png_signature_bytes];
    const bool png = std::fread(first, 1, png_signature_bytes, file) == png_signature_bytes && is_png_signature(first);
    std::rewind(file);
    if (!png) return read_bmp(file);
    int32_t width = 0, height = 0;
    uint8_t* pixels = read_png(file, &width, &height);
    if (pixels != nullptr) {
        bmp_width = width;
        bmp_height = height;
    }
    return pixels;
}

// Only a regular file: a FIFO would hold this thread in the open, and a device or a
// directory never holds a picture. Null for anything else.
uint8_t* read_regular_file(const char* name, uint8_t* (*reader)(std::FILE*)) {
    std::FILE* file = platform_open_regular_file(name);
    if (file == nullptr) return nullptr;
    uint8_t* pixels = reader(file);
    std::fclose(file);
    return pixels;
}

}  // namespace

uint8_t* load_bmp(const char* name) { return read_regular_file(name, read_bmp); }

Sprite* load_sprite(const char* name) {
    Sprite* sprite = new (std::nothrow) Sprite{};
    if (sprite == nullptr) return nullptr;
    sprite->bits = read_regular_file(name, read_picture);
    sprite->cx = bmp_width;
    sprite->cy = bmp_height;
    if (sprite->bits == nullptr) {
        delete sprite;
        return nullptr;
    }
    return sprite;
}
