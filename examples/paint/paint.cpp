// paint: paints with the pointer, 50 frames a second. The left button paints with the
// brush's colour, the right one with white; the keys 1 to 8 choose the colour, C clears
// the canvas, Escape ends the run. Every press counts, however short: a quick click leaves
// a dot even when it falls between two frames.
#include "examples/paint/paint_view.h"
#include "pictavon/routine.h"

namespace {

constexpr uint32_t canvas_white = 0xFFFFFF;

// The canvas is every shown surface row below the status line.
bool on_canvas(int32_t x, int32_t y) {
    return x >= 0 && x < surface_width && y >= status_rows && y < surface_height - 1;
}

void plot(int32_t x, int32_t y, uint32_t rgb) {
    if (!on_canvas(x, y)) return;
    uint8_t* p = surface.bits + pixel_offset(x, y);
    p[0] = rgb & 0xFF;
    p[1] = rgb >> 8 & 0xFF;
    p[2] = rgb >> 16 & 0xFF;
}

// Every pixel from (x0, y0) to (x1, y1), so that a quick stroke stays unbroken.
void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t rgb) {
    int32_t dx = x1 > x0 ? x1 - x0 : x0 - x1, dy = y1 > y0 ? y0 - y1 : y1 - y0;
    int32_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, error = dx + dy;
    for (;;) {
        plot(x0, y0, rgb);
        if (x0 == x1 && y0 == y1) return;
        int32_t twice = 2 * error;
        if (twice >= dy) error += dy, x0 += sx;
        if (twice <= dx) error += dx, y0 += sy;
    }
}

void clear_canvas() {
    for (int32_t y = status_rows; y < surface_height; ++y)
        for (int32_t x = 0; x < surface_width; ++x) plot(x, y, canvas_white);
}

struct Brush {
    int32_t colour = 0;
    int32_t last_x = -1, last_y = -1;  // where the last frame painted; -1: not painting
};

// One frame's input: colour keys, clear, and the buttons, pressed or held.
void paint_frame(Brush& brush) {
    for (int32_t i = 0; i < palette_size; ++i)
        if (take_press('1' + i) != 0) brush.colour = i;
    if (take_press('C') != 0) clear_canvas();
    bool left = take_press(VK_LBUTTON) != 0 || key_down(VK_LBUTTON);
    bool right = take_press(VK_RBUTTON) != 0 || key_down(VK_RBUTTON);
    if (!left && !right) {
        brush.last_x = -1;
        return;
    }
    int32_t x = mouse_x, y = mouse_y;
    uint32_t rgb = left ? palette[brush.colour].rgb : canvas_white;
    if (brush.last_x < 0) line(x, y, x, y, rgb);
    else line(brush.last_x, brush.last_y, x, y, rgb);
    brush.last_x = x;
    brush.last_y = y;
}

}  // namespace

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    manual_refresh = 1;
    clear_canvas();
    Brush brush;
    start_clock();
    while (take_press(VK_ESCAPE) == 0) {
        paint_frame(brush);
        draw_status(mouse_x, mouse_y, mouse_in != 0, brush.colour);
        present();
        rest_frame(20);
    }
    return 0;
}
