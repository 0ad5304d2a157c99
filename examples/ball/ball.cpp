// ball: a ball that bounces around and past the edges of the window, 50 frames a second on
// the resting frame clock, presenting its own frames. Space held stops it; Escape ends the run.
#include <cstdio>

#include "examples/ball/ball_frame.h"
#include "pictavon/routine.h"

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    Sprite* ball = load_sprite("balle.bmp");
    if (ball == nullptr) {
        std::fprintf(stderr, "ball: cannot read balle.bmp in the current directory\n");
        return 1;
    }
    manual_refresh = 1;  // before the first present
    int32_t frame = 0;
    start_clock();
    while (take_key(VK_ESCAPE) == 0) {
        if (frame_late == 0) {  // behind: leave the drawing out, keep the motion's pace
            draw_ball_frame(frame, ball);
            present();
        }
        rest_frame(20);  // asleep for most of the period: the ball takes little processor
        if (!key_down(VK_SPACE)) frame = (frame + 1) % ball_period_frames;
    }
    return 0;
}
