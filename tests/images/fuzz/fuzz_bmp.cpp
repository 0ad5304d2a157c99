// libFuzzer target: the picture reader on any bytes, each BMP result checked against what it
// must be; PNGs must load whole or be refused.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/bmp.h"

namespace {

constexpr size_t refused_above_bytes = size_t{256} << 20;  // the reader's limit
constexpr size_t fuzzed_up_to_bytes = size_t{1} << 20;

// Every input goes through one in-memory file, reopened by name as the reader wants it.
int file_fd = -1;
std::string file_name;

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_bmp: %s\n", what);
    std::abort();
}

void write_input(const uint8_t* data, size_t size) {
    if (file_fd < 0) {
        file_fd = memfd_create("bmp", 0);
        require(file_fd >= 0, "memfd_create failed");
        file_name = "/proc/self/fd/" + std::to_string(file_fd);
    }
    require(ftruncate(file_fd, 0) == 0, "ftruncate failed");
    require(pwrite(file_fd, data, size, 0) == static_cast<ssize_t>(size), "pwrite failed");
}

// A PNG: loaded whole (AddressSanitizer stops a buffer shorter than cx x cy x 3) or refused.
int check_png(const uint8_t* data, size_t size) {
    auto declared = [&](size_t at) {  // the header's width (16) and height (20), big-endian
        return size >= 24 ? uint64_t(data[at]) << 24 | data[at + 1] << 16 | data[at + 2] << 8 | data[at + 3] : 0;
    };
    if (declared(16) * declared(20) * 3 > fuzzed_up_to_bytes) return -1;  // left out as for BMP
    write_input(data, size);
    if (Sprite* s = load_sprite(file_name.c_str())) {
        std::memset(s->bits, 0, size_t(s->cx) * s->cy * 3);
        delete[] s->bits;
        delete s;
    }
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t png_signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size >= sizeof png_signature && std::memcmp(data, png_signature, sizeof png_signature) == 0)
        return check_png(data, size);
    const size_t cx = size >= 54 ? data[18] | data[19] << 8 : 0;
    const size_t cy = size >= 54 ? data[22] | data[23] << 8 : 0;
    const size_t row_bytes = cx * 3;
    const bool refused = size < 54 || row_bytes * cy > refused_above_bytes;
    // Pictures between 1 MiB and the limit take the very path of smaller ones, but cost up to
    // seconds each under the sanitizers; the unit tests load one at the limit. Left out here,
    // and kept out of the corpus, so that the run tries far more inputs.
    if (!refused && row_bytes * cy > fuzzed_up_to_bytes) return -1;

    write_input(data, size);
    const int32_t previous_width = bmp_width, previous_height = bmp_height;
    Sprite* sprite = load_sprite(file_name.c_str());
    if (refused) {
        require(sprite == nullptr, "a short or oversized file was loaded");
        require(bmp_width == previous_width && bmp_height == previous_height,
                "a failed load changed the size");
        return 0;
    }
    require(sprite != nullptr && sprite->bits != nullptr, "a readable file failed to load");
    require(sprite->x == 0 && sprite->y == 0, "position not (0, 0)");
    require(size_t(sprite->cx) == cx && size_t(sprite->cy) == cy, "wrong size");
    require(bmp_width == sprite->cx && bmp_height == sprite->cy, "size not left in bmp_width");
    // The bytes from 54 on, bottom row first, 255 past the end; whole rows at a time.
    static const std::vector<uint8_t> missing_row(size_t{65535} * 3, 255);
    for (size_t r = 0; r < cy; ++r) {
        const uint8_t* row = sprite->bits + r * row_bytes;
        const size_t at = 54 + (cy - 1 - r) * row_bytes;
        const size_t in_file = at < size ? std::min(row_bytes, size - at) : 0;
        require((in_file == 0 || std::memcmp(row, data + at, in_file) == 0) &&
                    std::memcmp(row + in_file, missing_row.data(), row_bytes - in_file) == 0,
                "wrong pixels");
    }
    delete[] sprite->bits;
    delete sprite;
    return 0;
}
