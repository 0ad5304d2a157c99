// What the SDL backend's files share, and the few pure pieces its own tests reach into.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>

#include <SDL_events.h>
#include <SDL_keyboard.h>
#include <SDL_video.h>

#include "platform/code_page.h"  // next_ansi_char, ansi_to_utf8: the text the backend passes
#include "platform/platform.h"
#include "platform/surface_size.h"
#include "platform/linux/threads.h"  // program_thread_held, the window thread's priority

// ---- Keys (sdl_keys.cpp) ------------------------------------------------------------------

// The Win32 virtual-key code of a key: letters and digits by what the layout prints on the
// key (SDL's keycode), falling back on the key's place (scancode) for layouts that print
// neither there. num_lock picks the keypad's digits over its navigation keys. 0: no code.
uint8_t virtual_key(SDL_Keycode key, SDL_Scancode place, bool num_lock);

// The key's Win32 scan code (set 1), with 0x100 for the extended keys: bits 16-24 of a
// key message's lParam. 0 for a key without one.
uint16_t scan_code(SDL_Scancode place);

// The character Win32's TranslateMessage makes of the key with virtual-key code vk pressed
// with Control (and no Alt), on a US keyboard: 1-26 for the letters, ESC, FS and GS for
// [, \ and ], LF for Return, DEL for Backspace... -1 where it makes none.
int32_t control_character(uint8_t vk, bool shift);

// ---- The window, its queue and its thread (sdl_platform.cpp) -------------------------------

struct WindowPictures;  // sdl_present.cpp

// The host window; the seam makes only one, and it lives as long as the process.
struct HostWindow {
    SDL_Window* sdl;           // window thread; null once destroyed
    WindowProc proc;           // set at creation
    bool paint_pending;        // window thread
    WindowPictures* pictures;  // set at creation; sdl_present.cpp says which thread owns what
};

inline HostWindow* window_of(WindowHandle handle) { return reinterpret_cast<HostWindow*>(handle); }
inline WindowHandle handle_of(HostWindow* w) { return reinterpret_cast<WindowHandle>(w); }

// Window thread: queues a message for w (null: for the thread), stamped with the tick count
// and the pointer's place. A full queue loses it, as a Win32 queue can.
void post(HostWindow* w, uint32_t message, uintptr_t wparam, intptr_t lparam);
// Any thread, the held program thread too: wakes the window thread from its wait. An
// eventfd write: no lock, no allocation, no SDL call.
void wake_window_thread();
// Any thread: whether the caller is the thread that started SDL, the window thread.
bool on_window_thread();

// Debug builds check the thread rules at every SDL call that reaches SDL's state: on the
// window thread only, and never while the program thread is held.
inline void assert_may_call_sdl() { assert(on_window_thread() && !program_thread_held()); }

// ---- Input (sdl_input.cpp), window thread ---------------------------------------------------

// Turns one SDL event for w into the Win32 messages a window would receive, and queues them.
void post_event(HostWindow* w, const SDL_Event& e);
// Where the last mouse event left the pointer, in the window's coordinates.
void last_mouse_position(int32_t* x, int32_t* y);

// ---- Showing pictures (sdl_present.cpp) -----------------------------------------------------

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

// ---- The display (sdl_display.cpp), window thread ---------------------------------------

// Starts SDL's video. Unless SDL_VIDEODRIVER names a driver, only drivers that show a
// window are tried, never the offscreen or dummy ones. False, with the reason printed,
// when none starts.
bool start_video();
// On X: a lost connection prints one line and ends the process with _exit(1).
void end_process_when_display_lost();
// Prints "PROGRAM: cannot open a window: REASON; SDL: SDL_ERROR" (SDL's part if any).
void report_window_failure(const char* reason, const char* sdl_error);

// Window thread, after SDL_CreateWindow: false, with the reason written to `reason`, when the
// window's visual cannot show 24-bit pictures (fewer than 15 bits a pixel, or a colour map
// in place of true colour, as on a depth-8 PseudoColor display).
bool window_shows_true_colour(SDL_Window* sdl, char* reason, int32_t reason_bytes);

// ---- X events in bounded batches (sdl_x_events.cpp), window thread ------------------------

// What the window thread must act on at once, however many events wait before it.
struct XWindowNews {
    bool close_requested;    // WM_DELETE_WINDOW came: the close box (cleared once taken)
    bool window_destroyed;   // another client destroyed the window (stays set)
    uint32_t events_dropped; // input lost to a full backlog since last taken
};

// At the window's creation: takes the window's X events into a backlog of its own from now
// on, and X errors about the window once it is gone. False where SDL is not on X or the
// means are missing: SDL's events are then read as SDL delivers them.
bool start_x_event_batches(SDL_Window* sdl);
// Flushes the requests made, and moves every event the connection has into the backlog,
// each in constant time.
void take_x_events();
// Whether the backlog holds events SDL has not had yet.
bool x_events_waiting();
// Hands SDL the backlog's next batch (a few hundred events at most) and pumps SDL's events:
// SDL's queue then holds that batch converted, and anything else SDL has to say (a quit
// after SIGTERM or SIGINT). After take_x_events.
void pump_x_event_batch();
// The news since last asked.
XWindowNews take_x_window_news();

