// PNG through stb_image (Debian's libstb-dev), compiled here and nowhere else: this file alone
// has stb's folder on its include path, and the decoder's functions stay private to it, so a
// routine that links a stb_image of its own meets no clash.
#include "images/png.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "surface/draw.h"

namespace {

// The decoder takes its memory here, each request checked against what the picture being
// read can need: a few bytes of a hostile file can declare a chunk of gigabytes, or inflate
// to them, and that must fail the load rather than take the memory. One load at a time.
size_t decoder_allocation_limit;

void* decoder_malloc(size_t size) { return size <= decoder_allocation_limit ? std::malloc(size) : nullptr; }
void* decoder_realloc(void* block, size_t size) {
    return size <= decoder_allocation_limit ? std::realloc(block, size) : nullptr;
}

}  // namespace

#define STBI_MALLOC(size) decoder_malloc(size)
#define STBI_REALLOC(block, size) decoder_realloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STBI_ONLY_PNG
#define STBI_NO_STDIO  // the file comes opened, a regular one, through the callbacks below
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 16384  // max_png_side
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

static_assert(STBI_MAX_DIMENSIONS == max_png_side, "one limit on a PNG's sides");

int read_bytes(void* file, char* data, int size) {
    return static_cast<int>(std::fread(data, 1, static_cast<size_t>(size), static_cast<std::FILE*>(file)));
}
void skip_bytes(void* file, int count) { std::fseek(static_cast<std::FILE*>(file), count, SEEK_CUR); }
int at_end(void* file) {
    return std::feof(static_cast<std::FILE*>(file)) != 0 || std::ferror(static_cast<std::FILE*>(file)) != 0;
}
const stbi_io_callbacks file_callbacks = {read_bytes, skip_bytes, at_end};

// The most any one of the decoder's blocks needs for a w x h picture: the inflated rows (a
// filter byte and up to 8 bytes a pixel, at 16 bits per channel with alpha), the compressed
// data gathered in a block that doubles as it grows, and the pixels decoded from them.
size_t allocation_limit_for(uint64_t w, uint64_t h) { return static_cast<size_t>(2 * h * (1 + 8 * w) + 65536); }

}  // namespace

bool is_png_signature(const uint8_t* first_bytes) {
    static const uint8_t signature[png_signature_bytes] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return std::memcmp(first_bytes, signature, png_signature_bytes) == 0;
}

uint8_t* read_png(std::FILE* file, int32_t* cx, int32_t* cy) {
    int w = 0, h = 0, channels = 0;
    decoder_allocation_limit = 65536;  // the header is read first, with little
    std::rewind(file);
    if (stbi_info_from_callbacks(&file_callbacks, file, &w, &h, &channels) == 0 || w <= 0 || h <= 0) return nullptr;
    const uint64_t pixels = uint64_t(w) * uint64_t(h);  // each side at most max_png_side
    if (pixels * 3 > max_sprite_bytes) return nullptr;

    decoder_allocation_limit = allocation_limit_for(uint64_t(w), uint64_t(h));
    std::rewind(file);
    stbi_uc* rgba = stbi_load_from_callbacks(&file_callbacks, file, &w, &h, &channels, 4);
    if (rgba == nullptr) return nullptr;
    uint8_t* sprite = new (std::nothrow) uint8_t[pixels * 3];
    if (sprite != nullptr) {
        for (uint64_t i = 0; i < pixels; ++i) {
            const stbi_uc* in = rgba + 4 * i;
            uint8_t* out = sprite + 3 * i;
            const bool transparent = in[3] == 0;
            out[0] = transparent ? colour_key : in[2] == colour_key ? uint8_t{colour_key + 1} : in[2];
            out[1] = transparent ? 0 : in[1];
            out[2] = transparent ? 0 : in[0];
        }
        *cx = w;
        *cy = h;
    }
    stbi_image_free(rgba);
    return sprite;
}
