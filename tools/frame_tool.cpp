// frame_tool: the exact picture one drawn frame of the demo presents, computed without a
// window, for a camera and a sprite file. Written as a binary PPM (P6), top row first.
//
//   frame_tool X Z HEIGHT HEADING SPRITE|- OUT.ppm
//
// HEADING is the view angle (0..255, 256 to a turn); the backward and sideways headings
// follow from it as they do in the demo. "-" draws no sprite.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/scene.h"
#include "images/bmp.h"
#include "tools/offscreen.h"

namespace {

bool parse_int(const char* text, long lowest, long highest, long* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && *value >= lowest && *value <= highest;
}

}  // namespace

int main(int argc, char** argv) {
    long x = 0, z = 0, height = 0, heading = 0;
    if (argc != 7 || !parse_int(argv[1], INT32_MIN, INT32_MAX, &x) ||
        !parse_int(argv[2], INT32_MIN, INT32_MAX, &z) || !parse_int(argv[3], 1, 524287, &height) ||
        !parse_int(argv[4], 0, 255, &heading)) {
        std::fprintf(stderr, "usage: frame_tool X Z HEIGHT(1..524287) HEADING(0..255) SPRITE|- OUT.ppm\n");
        return 2;
    }
    // Static, like the demo's own sprite that lives until the process ends.
    static Sprite* sprite = nullptr;
    if (std::strcmp(argv[5], "-") != 0 && (sprite = load_sprite(argv[5])) == nullptr) {
        std::fprintf(stderr, "frame_tool: cannot read %s\n", argv[5]);
        return 1;
    }
    start_offscreen();
    auto angle = static_cast<uint8_t>(heading);
    Camera camera{static_cast<int32_t>(x), static_cast<int32_t>(z), static_cast<int32_t>(height),
                  angle, static_cast<uint8_t>(angle + 127), static_cast<uint8_t>(angle + 64)};
    draw_frame(camera, sprite);
    if (!write_window_picture(argv[6])) {
        std::fprintf(stderr, "frame_tool: cannot write %s\n", argv[6]);
        return 1;
    }
    return 0;
}
