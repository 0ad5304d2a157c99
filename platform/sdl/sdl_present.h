// Showing pictures (sdl_present.cpp): the window's drawing objects, the hand-off of pictures
// from the program thread to the window thread, and putting them on the screen.
#pragma once

#include <atomic>
#include <cstdint>

struct HostWindow;
struct WindowPictures;

// Window thread, at the window's creation: its drawing objects and picture buffers.
WindowPictures* create_pictures(HostWindow* w);
// Window thread, never while the program thread is held: puts on the screen what either
// thread presented since the last call.
void show_pictures(HostWindow* w);
// Window thread, when the window goes: its own presents not yet shown never will be.
void drop_staged_pictures(HostWindow* w);

// The newest picture the window thread has put on the X server, for measurements: its
// sequence number (that of the present that made it) and the counter when the server had
// it. Written by the window thread, read by anyone.
struct ShowRecord {
    std::atomic<uint32_t> seq;
    std::atomic<int64_t> shown_counter;
};
extern ShowRecord last_show;
// The sequence number of the newest present, from either thread.
extern std::atomic<uint32_t> present_seq;
