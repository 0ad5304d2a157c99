// The demo's scene: the camera, its controls, and one drawn frame.
#pragma once

#include <cstdint>

struct Sprite;

// Where the camera stands and looks. The three headings always move together, so
// back_angle = view_angle + 127 and side_angle = view_angle + 64 (mod 256) for ever.
struct Camera {
    int32_t x, z;  // floor units, wrapping modulo 2^32
    int32_t y;     // height above the floor, 819..7372 once the controls have acted
    uint8_t view_angle, back_angle, side_angle;
};

constexpr Camera start_camera{6144, 6144, 5120, 32, 159, 96};
constexpr int32_t frame_period_ms = 20;

// One step of about 245 floor units at most along a heading: x and z grow by the sine and
// the cosine of angle times 0.06, truncated toward zero.
void move_camera(int32_t& x, int32_t& z, int32_t angle);
// One pass of the eight controls, in order, each while its key is held.
void apply_controls(Camera& camera);
// Copies floor_pixels into the back buffer through the ClipRect.
void compose_floor();
// Everything a drawn frame does before present: clear the whole pixel array, render and
// compose the floor, and blit the sprite (if there is one) at (-16, -16).
void draw_frame(const Camera& camera, Sprite* sprite);
