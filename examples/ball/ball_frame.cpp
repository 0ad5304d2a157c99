// The bouncing ball's frames: background, colour-keyed ball clipped at the edges, inversions.
#include "examples/ball/ball_frame.h"

#include "pictavon/routine.h"

namespace {

// A point moving `speed` pixels a frame to and fro between low and low + span.
int32_t bounce(int32_t frame, int32_t low, int32_t span, int32_t speed) {
    int32_t t = frame % ball_period_frames * speed % (2 * span);
    return low + (t < span ? t : 2 * span - t);
}

// 16-pixel squares of two tones; y = -1 is the spare row.
void draw_background() {
    for (int32_t y = -1; y < surface_height; ++y) {
        uint8_t* row = surface.bits + pixel_offset(0, y);
        for (int32_t x = 0; x < surface_width; ++x) {
            bool light = ((x >> 4) + ((y + 16) >> 4)) % 2 == 0;
            row[3 * x] = light ? 120 : 90;                             // blue
            row[3 * x + 1] = static_cast<uint8_t>(light ? 96 : 60);   // green
            row[3 * x + 2] = static_cast<uint8_t>(40 + y / 2);         // red
        }
    }
}

}  // namespace

int32_t ball_x(int32_t frame) { return bounce(frame, -20, 240, 3); }
int32_t ball_y(int32_t frame) { return bounce(frame + 40, -20, 160, 2); }

void draw_ball_frame(int32_t frame, const Sprite* ball) {
    if (surface.bits == nullptr) return;
    frame %= ball_period_frames;
    draw_background();
    if (ball != nullptr) blit_sprite(ball_x(frame), ball_y(frame), ball->cx, ball->cy, ball->bits);
    invert_rect(88, 56, 64, 48);                    // a window the ball shows through inverted
    invert_rect(0, 152, (frame + 1) * 3 / 2, 8);    // how far into the period: a bar
}
