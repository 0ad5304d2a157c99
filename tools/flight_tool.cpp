// flight_tool: the frames the demo draws while a scripted sequence of keys is held,
// computed without a window by the demo's own control step. One binary PPM per frame, for
// the README's animation.
//
//   flight_tool SPRITE|- OUT_DIR EVERY SEGMENT...
//
// A SEGMENT is PERIODS:KEYS: the keys, names joined by '+' (Left Right Up Down A R C E) or
// '-' for none, are held for PERIODS periods. The frame of every EVERY-th period, from the
// start view (period 0) to the view after the last step, is written as
// OUT_DIR/frame_NNNN.ppm, and one line "FRAME PERIOD X Z HEIGHT HEADING" per frame goes to
// the standard output.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo/scene.h"
#include "host/input.h"
#include "images/bmp.h"
#include "platform/messages.h"
#include "tools/offscreen.h"

namespace {

constexpr int max_segments = 64;
constexpr long max_periods = 100000;
constexpr int max_keys_per_segment = 8;

struct Segment {
    long periods;
    int key_count;
    int32_t keys[max_keys_per_segment];  // virtual-key codes
};

struct KeyName {
    const char* name;
    int32_t code;
};

constexpr KeyName key_names[] = {{"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Up", VK_UP},
                                 {"Down", VK_DOWN}, {"A", 'A'},         {"R", 'R'},
                                 {"C", 'C'},        {"E", 'E'}};

bool parse_long(const char* text, const char* stop, long lowest, long highest, long* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtol(text, &end, 10);
    return errno == 0 && end != text && end == stop && *value >= lowest && *value <= highest;
}

// One key name of length `length`; 0 when it names none of the demo's controls.
int32_t key_code(const char* name, size_t length) {
    for (const KeyName& key : key_names)
        if (std::strlen(key.name) == length && std::strncmp(key.name, name, length) == 0) return key.code;
    return 0;
}

bool parse_segment(const char* text, Segment* segment) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || !parse_long(text, colon, 1, max_periods, &segment->periods)) return false;
    segment->key_count = 0;
    const char* keys = colon + 1;
    if (std::strcmp(keys, "-") == 0) return true;
    for (const char* name = keys;;) {
        const char* plus = std::strchr(name, '+');
        size_t length = plus != nullptr ? static_cast<size_t>(plus - name) : std::strlen(name);
        int32_t code = key_code(name, length);
        if (code == 0 || segment->key_count == max_keys_per_segment) return false;
        segment->keys[segment->key_count++] = code;
        if (plus == nullptr) return true;
        name = plus + 1;
    }
}

void hold_keys(const Segment& segment, uint8_t down) {
    for (int i = 0; i < segment.key_count; ++i)
        key_state[segment.keys[i]].store(down, std::memory_order_relaxed);
}

// Draws the camera's frame and writes it; prints the frame's line. False on a write error.
bool write_frame(const char* out_dir, long frame, long period, const Camera& camera, Sprite* sprite) {
    char path[4096];
    int length = std::snprintf(path, sizeof path, "%s/frame_%04ld.ppm", out_dir, frame);
    if (length < 0 || static_cast<size_t>(length) >= sizeof path) return false;
    draw_frame(camera, sprite);
    if (!write_window_picture(path)) {
        std::fprintf(stderr, "flight_tool: cannot write %s: %s\n", path, std::strerror(errno));
        return false;
    }
    std::printf("%ld %ld %d %d %d %d\n", frame, period, camera.x, camera.z, camera.y, camera.view_angle);
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: flight_tool SPRITE|- OUT_DIR EVERY(1..1000) PERIODS:KEY[+KEY...]|PERIODS:- ...\n"
                 "       keys: Left Right Up Down A R C E; at most %d segments of 1..%ld periods\n",
                 max_segments, max_periods);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    long every = 0;
    int segment_count = argc - 4;
    if (argc < 5 || segment_count > max_segments ||
        !parse_long(argv[3], argv[3] + std::strlen(argv[3]), 1, 1000, &every))
        return usage();
    static Segment segments[max_segments];
    for (int i = 0; i < segment_count; ++i) {
        if (!parse_segment(argv[4 + i], &segments[i])) {
            std::fprintf(stderr, "flight_tool: not a segment: %s\n", argv[4 + i]);
            return usage();
        }
    }
    // Static, like the demo's own sprite that lives until the process ends.
    static Sprite* sprite = nullptr;
    if (std::strcmp(argv[1], "-") != 0 && (sprite = load_sprite(argv[1])) == nullptr) {
        std::fprintf(stderr, "flight_tool: cannot read %s\n", argv[1]);
        return 1;
    }
    start_offscreen();
    Camera camera = start_camera;
    long period = 0, frame = 0;
    // Pass p draws the camera as p control steps have left it, then takes step p + 1.
    if (!write_frame(argv[2], frame++, period, camera, sprite)) return 1;
    for (int i = 0; i < segment_count; ++i) {
        hold_keys(segments[i], 1);
        for (long p = 0; p < segments[i].periods; ++p) {
            apply_controls(camera);
            if (++period % every == 0 && !write_frame(argv[2], frame++, period, camera, sprite)) return 1;
        }
        hold_keys(segments[i], 0);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
