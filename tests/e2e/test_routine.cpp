// The end-to-end test hosts' program routine: pictures a harness can check byte for byte in
// a capture of the window, with the key states drawn in. Portable: the SDL and the Windows
// test hosts both run it. PICTAVON_TEST_MODE picks what it does:
//   present (default)  sets manual_refresh, then presents every 20 ms, the input state
//                      (key states, typed characters, wheel total) included
//   pointer            as present, the pointer's place shown after the wheel total
//   refresh            writes the picture once, never presents, and returns 0 after 1.5 s
//   escape             as present, and ends at the first press of Escape: by end_run with
//                      PICTAVON_TEST_END_CODE when that is set, else by returning 0
#include "tests/e2e/test_routine.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"
#include "surface/surface.h"

namespace {

// Pixel-array row k, pixel x: blue x, green k, red (7x + 13k) mod 256. Every row differs,
// the spare row (k = 160) and the never-shown surface row 159 (k = 0) included, so a
// capture shows which array row landed in which window row.
void draw_test_picture() {
    for (int32_t k = 0; k <= surface_height; ++k) {
        uint8_t* row = surface.bits + k * surface_row_bytes;
        for (int32_t x = 0; x < surface_width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x);
            row[3 * x + 1] = static_cast<uint8_t>(k);
            row[3 * x + 2] = static_cast<uint8_t>(7 * x + 13 * k);
        }
    }
}

// Key slot n is surface pixel (n mod 240, 150 + n / 240): white while down, black while up.
constexpr int32_t key_row_y = 150;
// The typed characters and the wheel total, as grey levels, from surface pixel (0, 152) on,
// row after row: the count, the 255 character places, then wheel_total's four bytes, low
// byte first, then the pointer's three.
constexpr int32_t input_row_y = 152, input_rows = 2;

void draw_byte(int32_t n, uint8_t v) {
    std::memset(surface.bits + pixel_offset(n % surface_width, input_row_y + n / surface_width), v, 3);
}

bool shows_pointer;  // set before the loop

void draw_key_states() {
    for (int32_t y = key_row_y; y < input_row_y + input_rows; ++y)
        std::memset(surface.bits + pixel_offset(0, y), 0, surface_row_bytes);
    for (int32_t n = 0; n < 256; ++n) {
        uint8_t v = key_down(n) != 0 ? 255 : 0;
        std::memset(surface.bits + pixel_offset(n % surface_width, key_row_y + n / surface_width), v, 3);
    }
    // The count first: every place up to it is written before the count covers it.
    draw_byte(0, static_cast<uint8_t>(char_queue.count.load(std::memory_order_acquire)));
    for (int32_t i = 1; i < 256; ++i) draw_byte(i, char_queue.chars[i].load(std::memory_order_relaxed));
    auto wheel = static_cast<uint32_t>(wheel_total.load(std::memory_order_relaxed));
    for (int32_t i = 0; i < 4; ++i) draw_byte(256 + i, static_cast<uint8_t>(wheel >> (8 * i)));
    // Then, in "pointer" mode, the pointer: x (low byte), y + 1, mouse_in.
    if (!shows_pointer) return;
    draw_byte(260, static_cast<uint8_t>(mouse_x.load(std::memory_order_relaxed)));
    draw_byte(261, static_cast<uint8_t>(mouse_y.load(std::memory_order_relaxed) + 1));
    draw_byte(262, static_cast<uint8_t>(mouse_in.load(std::memory_order_relaxed)));
}

// Every press and typed character the routine took, for report_input at the end: the
// routine takes them as it goes, as a routine that must miss none would.
std::atomic<uint32_t> presses_taken[256];
constexpr int32_t taken_capacity = 4096;
std::atomic<uint8_t> chars_taken[taken_capacity];
std::atomic<int32_t> chars_taken_count;

void take_input() {
    for (int32_t n = 0; n < 256; ++n) presses_taken[n].fetch_add(take_press(n), std::memory_order_relaxed);
    for (uint8_t c; (c = take_char()) != 0;) {
        int32_t at = chars_taken_count.load(std::memory_order_relaxed);
        if (at == taken_capacity) break;
        chars_taken[at].store(c, std::memory_order_relaxed);
        chars_taken_count.store(at + 1, std::memory_order_release);
    }
}

// Sleeps until ms have passed on the counter. A sleep cut short (the host holds this
// thread with a signal on some systems) just sleeps the time that is left.
void pause_ms(int64_t ms) {
    const int64_t deadline = platform_counter() + ms * platform_counter_frequency() / 1000;
    for (int64_t left; (left = deadline - platform_counter()) > 0;)
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(left * 1000000000 / platform_counter_frequency()));
}

bool mode_is(const char* name) {
    const char* mode = std::getenv("PICTAVON_TEST_MODE");
    return mode != nullptr && std::strcmp(mode, name) == 0;
}

}  // namespace

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    draw_test_picture();
    if (mode_is("refresh")) {
        draw_key_states();  // all up, nothing typed: these rows are black, as the harness expects
        pause_ms(1500);
        return 0;
    }
    manual_refresh.store(1, std::memory_order_relaxed);  // before the first present
    shows_pointer = mode_is("pointer");
    for (;;) {
        draw_key_states();
        present();
        take_input();
        if (mode_is("escape") && presses_taken[VK_ESCAPE].load(std::memory_order_relaxed) != 0) {
            if (const char* code = std::getenv("PICTAVON_TEST_END_CODE")) end_run(std::atoi(code));
            return 0;
        }
        pause_ms(20);
    }
}

void report_input() {
    std::printf("chars:");
    for (int32_t i = 1; i <= char_queue.count; ++i) std::printf(" %02x", char_queue.chars[i].load());
    std::printf("\nwheel_total: %d\ntaken:", static_cast<int>(wheel_total));
    int32_t taken = chars_taken_count.load(std::memory_order_acquire);
    for (int32_t i = 0; i < taken; ++i) std::printf(" %02x", chars_taken[i].load(std::memory_order_relaxed));
    std::printf("\npresses:");
    for (int32_t n = 0; n < 256; ++n)
        if (uint32_t count = presses_taken[n].load(std::memory_order_relaxed)) std::printf(" %02x:%u", n, count);
    std::printf("\n");
}
