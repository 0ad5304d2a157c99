// What the web backend shares with its page (web_library.js, on the browser's main thread):
// the memory both read and write, and the calls that cross to the main thread.
//
// Three threads: the browser's main thread owns the DOM (the canvas, the title, the input
// listeners) and never blocks; the window thread (host_main, on a worker) and the program
// thread (the routine, on another worker) never touch the DOM. They meet in the module's
// fixed shared memory, through atomics only: the page appends input events to a ring and
// wakes the window thread; a present publishes a finished picture with one exchange, and
// the page takes the newest at each animation frame.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/surface_size.h"

// What the page appends to the ring: a kind and three numbers. Keys carry the virtual-key
// code, the scan code (0x100 for an extended key) and the modifier flags; pointer events the
// surface pixel under the pointer (any zoom already divided out).
enum PageEventKind : int32_t {
    page_key_down = 1,  // a: virtual key, b: scan code, c: flags
    page_key_up = 2,
    page_char = 3,         // a: the character's code point
    page_pointer_move = 4,  // a, b: x, y
    page_button_down = 5,  // a: 0 left, 1 middle, 2 right; b, c: x, y
    page_button_up = 6,
    page_wheel = 7,  // a: +120 per notch away from the user
    page_pointer_leave = 8,
    page_focus_lost = 9,
    page_close = 10,  // the tab or the page goes away
};
enum : int32_t { key_repeat = 1, key_alt = 2, key_ctrl = 4, key_shift = 8 };

constexpr int32_t page_ring_size = 256;  // a power of two: the counters wrap through it
// Four pictures: the page's, the one published, and one being written by each presenting
// thread (the routine's present and the window thread's refresh can overlap).
constexpr int32_t picture_slots = 4;
constexpr int32_t picture_bytes = surface_width * surface_height * 4;  // RGBA, top row first
constexpr int32_t picture_fresh = 0x100;  // in `published`: not yet taken by the page

struct PageLink {
    std::atomic<int32_t> events_written;  // by the page; the window thread waits on it
    int32_t events_read;                  // window thread
    int32_t events[page_ring_size][4];
    std::atomic<int32_t> published;        // the published slot, with picture_fresh until taken
    std::atomic<uint32_t> sequence[picture_slots];  // each slot's present number, for measurements
    uint8_t pixels[picture_slots][picture_bytes];
};
static_assert(sizeof(std::atomic<int32_t>) == 4, "the page reads these as 32-bit integers");
// web_library.js counts these places itself.
static_assert(offsetof(PageLink, events) == 8 && offsetof(PageLink, published) == 8 + page_ring_size * 16 &&
                  offsetof(PageLink, pixels) == offsetof(PageLink, published) + 4 + picture_slots * 4,
              "web_library.js's pictavon_page_attach reads the link at these offsets");

// Implemented in web_library.js; each runs on the browser's main thread, the caller waiting.
extern "C" {
// Once, from the window thread: where the link lives; the page starts its listeners and its
// animation-frame loop.
void pictavon_page_attach(PageLink* link, int32_t link_bytes);
// The page's title, UTF-8.
void pictavon_page_title(const char* utf8);
// One line for the user, shown in the page and on the console.
void pictavon_page_report(const char* utf8);
}
