// keys: a keyboard and mouse viewer that never presents, so the host's own refresh (with
// its blinking cursor) shows it. The 256 key slots are a 16 x 16 grid lit while down, the
// count of typed characters is eight binary cells, the last eight character codes are
// bars, and the wheel total is a bar either side of the middle. Pressing and releasing
// Escape ends the routine; the host then waits for a key or a click to close the window.
// The top line says in text where the pointer is, and the codes of the last key pressed
// and the last character typed.
#include <cstdio>
#include <cstring>

#include "pictavon/routine.h"

namespace {

struct Colour {
    uint8_t blue, green, red;
};

constexpr Colour background{48, 32, 32};
constexpr Colour key_up{80, 80, 80};
constexpr Colour key_lit{0, 220, 255};
constexpr Colour bit_set{255, 255, 255};
constexpr Colour char_bar{255, 200, 0};
constexpr Colour wheel_bar{0, 128, 255};
constexpr uint32_t text_colour = 0xFFFFFF;
constexpr int32_t text_rows = 8;  // surface rows 0..7, above the grid

constexpr int32_t shown_chars = 8;
constexpr int32_t bars_bottom_y = 136;  // bars stand on this row, exclusive
constexpr int32_t wheel_middle_x = 120;
constexpr int32_t wheel_max_px = 112;
constexpr int32_t wheel_notch = 120;

// One look at the input state, so that a picture shows a single moment.
struct InputLook {
    uint8_t down[256];
    int32_t count;
    uint8_t last[shown_chars];  // oldest first; 0 where fewer were typed
    int32_t wheel;
};

InputLook look_at_input() {
    InputLook look{};
    for (int32_t n = 0; n < 256; ++n) look.down[n] = key_down(n);
    look.count = char_queue.count;  // first, so chars[1..count] are all written
    for (int32_t i = 0; i < shown_chars; ++i) {
        int32_t position = look.count - (shown_chars - 1) + i;
        look.last[i] = position >= 1 ? char_queue.chars[position].load() : 0;
    }
    look.wheel = wheel_total;
    return look;
}

// Clipped to the surface, so bars of any length are safe.
void fill(int32_t x, int32_t y, int32_t cx, int32_t cy, Colour colour) {
    for (int32_t row = y < 0 ? 0 : y; row < y + cy && row < surface_height; ++row) {
        for (int32_t column = x < 0 ? 0 : x; column < x + cx && column < surface_width; ++column) {
            uint8_t* pixel = surface.bits + pixel_offset(column, row);
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
}

// Every pixel is written with its final colour, never cleared first: a refresh that catches
// the routine mid-picture shows no flicker.
void draw(const InputLook& look) {
    for (int32_t n = 0; n < 256; ++n)
        fill(8 + n % 16 * 10, 8 + n / 16 * 8, 9, 7, look.down[n] ? key_lit : key_up);
    for (int32_t i = 0; i < shown_chars; ++i) {
        int32_t height = look.last[i] / 2;
        int32_t x = 176 + i * 8;
        fill(x, 8, 6, bars_bottom_y - 8 - height, background);
        fill(x, bars_bottom_y - height, 6, height, char_bar);
    }
    for (int32_t bit = 7; bit >= 0; --bit)
        fill(8 + (7 - bit) * 12, 142, 10, 6, (look.count >> bit & 1) ? bit_set : key_up);
    int32_t notches = look.wheel / wheel_notch;
    int32_t length = (notches < 0 ? -notches : notches) * 4;
    if (length > wheel_max_px) length = wheel_max_px;
    int32_t start = notches < 0 ? wheel_middle_x - length : wheel_middle_x;
    fill(0, 152, surface_width, 6, background);
    fill(start, 152, length, 6, wheel_bar);
}

// The last key pressed and character typed, taken as they come so that none is missed.
struct Latest {
    int32_t key = 0, character = 0;
    char line[48] = "";
};

// Redrawn only when it changes: clearing the line and writing it again could be caught
// half done by a refresh.
void show_text(Latest& latest) {
    for (int32_t code = 1; code < 256; ++code)
        if (take_press(code) != 0) latest.key = code;
    for (uint8_t c; (c = take_char()) != 0;) latest.character = c;
    char line[sizeof latest.line];
    std::snprintf(line, sizeof line, "x %3d y %3d %s  touche %3d  car %3d", static_cast<int>(mouse_x.load()),
                  static_cast<int>(mouse_y.load()), mouse_in != 0 ? "dans " : "hors ", static_cast<int>(latest.key),
                  static_cast<int>(latest.character));
    if (std::strcmp(line, latest.line) == 0) return;
    std::memcpy(latest.line, line, sizeof line);
    fill(0, 0, surface_width, text_rows, background);
    draw_text(1, 0, line, text_colour);
}

}  // namespace

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    // The whole array, spare row included: the window's top row shows it.
    for (int32_t i = 0; i < surface_array_bytes; i += 3) {
        surface.bits[i] = background.blue;
        surface.bits[i + 1] = background.green;
        surface.bits[i + 2] = background.red;
    }
    bool escape_seen = false;
    Latest latest;
    start_clock();
    for (;;) {
        InputLook look = look_at_input();
        draw(look);
        show_text(latest);
        // Ends on the release, so that the key is up when the host starts asking for one.
        if (look.down[VK_ESCAPE]) escape_seen = true;
        else if (escape_seen) return 0;
        wait_frame(10);
    }
}
