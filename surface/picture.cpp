// PNG out through stb_image_write (Debian's libstb-dev), compiled in here with its functions
// static, so that no other copy of it in a program (a routine's own, the system's libstb)
// can clash with it.
#include "surface/picture.h"

#include <cstdio>
#include <vector>

#include "surface/back_buffer.h"
#include "surface/surface.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace {

void append(void* context, void* data, int size) {
    auto* bytes = static_cast<const uint8_t*>(data);
    static_cast<std::vector<uint8_t>*>(context)->insert(static_cast<std::vector<uint8_t>*>(context)->end(), bytes,
                                                        bytes + size);
}

}  // namespace

int32_t write_picture_png(const char* path, const uint8_t* rgb) {
    // Encoded in memory first: a failure to write is then the file's alone, and seen.
    std::vector<uint8_t> png;
    if (stbi_write_png_to_func(append, &png, surface_width, surface_height, 3, rgb, surface_width * 3) == 0)
        return 0;
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && written ? 1 : 0;
}

int32_t save_picture(const char* path) {
    if (surface.bits == nullptr || path == nullptr) return 0;
    std::vector<uint8_t> rgb(static_cast<size_t>(surface_width) * surface_height * 3);
    for (int32_t j = 0; j < surface_height; ++j) window_row_rgb(j, &rgb[static_cast<size_t>(j) * surface_width * 3]);
    return write_picture_png(path, rgb.data());
}
