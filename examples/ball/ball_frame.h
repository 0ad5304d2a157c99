// The bouncing ball's pictures: frame n of the routine, as a function of n alone, so that a
// tool without a window can draw the very frames the program shows.
#pragma once

#include <cstdint>

struct Sprite;

// The motion repeats after this many frames (both bounces fit it a whole number of times).
constexpr int32_t ball_period_frames = 160;

// Where the ball's top-left corner is in frame n: it runs 12 pixels past every edge.
int32_t ball_x(int32_t frame);
int32_t ball_y(int32_t frame);

// Draws frame n (taken modulo the period) into the back buffer, whole array included:
// the checkered background, the ball (if any) and the two inverted boxes over it.
void draw_ball_frame(int32_t frame, const Sprite* ball);
