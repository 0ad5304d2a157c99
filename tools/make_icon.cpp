// make_icon: the desktop icon from the demo's sprite, as a PAM picture with an alpha
// channel: the pixels the demo leaves out (colour key) are transparent, the rest opaque.
// ImageMagick turns it into the installed PNG. Usage: make_icon SPRITE.bmp OUT.pam
#include <cstdint>
#include <cstdio>

#include "images/bmp.h"
#include "surface/draw.h"

namespace {

bool write_pam(const Sprite& sprite, const char* path) {
    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    bool written = std::fprintf(out, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                                sprite.cx, sprite.cy) > 0;
    const int32_t pixels = sprite.cx * sprite.cy;
    for (int32_t i = 0; i < pixels && written; ++i) {
        const uint8_t* bgr = sprite.bits + 3 * i;
        const uint8_t alpha = bgr[0] == colour_key ? 0 : 255;
        const uint8_t rgba[4] = {bgr[2], bgr[1], bgr[0], alpha};
        written = std::fwrite(rgba, 1, 4, out) == 4;
    }
    return std::fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon SPRITE.bmp OUT.pam\n");
        return 2;
    }
    // Static, like the demo's own sprite that lives until the process ends.
    static Sprite* sprite = load_sprite(argv[1]);
    if (sprite == nullptr || sprite->cx == 0 || sprite->cy == 0) {
        std::fprintf(stderr, "make_icon: cannot read a picture from %s\n", argv[1]);
        return 1;
    }
    if (!write_pam(*sprite, argv[2])) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
