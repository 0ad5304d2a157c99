// ball_frames: every frame of the ball's period as the window shows it, drawn without a
// window: ball_frames SPRITE OUT writes frames 0.. one after another, 240 x 160 RGB each,
// top row first.
#include <cstdint>
#include <cstdio>

#include "examples/ball/ball_frame.h"
#include "pictavon/routine.h"
#include "surface/surface.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ball_frames SPRITE OUT\n");
        return 2;
    }
    init_windowless_surface();
    static Sprite* ball = load_sprite(argv[1]);  // kept, as the program keeps its own
    if (ball == nullptr) {
        std::fprintf(stderr, "ball_frames: cannot read %s\n", argv[1]);
        return 1;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "ball_frames: cannot write %s\n", argv[2]);
        return 1;
    }
    for (int32_t frame = 0; frame < ball_period_frames; ++frame) {
        draw_ball_frame(frame, ball);
        for (int32_t j = 0; j < surface_height; ++j) {
            uint8_t rgb[surface_row_bytes];
            window_row_rgb(j, rgb);
            std::fwrite(rgb, 1, sizeof rgb, out);
        }
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "ball_frames: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
