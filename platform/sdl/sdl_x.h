// The X side of the SDL backend: the window's X facts, fetched once; the checks and the
// properties SDL does not make; and the window's events, handed to SDL in bounded batches.
// Window thread only. Where SDL is not on X, each does nothing, or says so.
#pragma once

#include <cstdint>

#include "platform/sdl/sdl_host_window.h"

// What the X server says of SDL's window; a null display where SDL is not on X.
XFacts fetch_x_facts(SDL_Window* sdl);

// False, with the reason written to `reason`, when the window's visual cannot show 24-bit
// pictures (fewer than 15 bits a pixel, or a colour map in place of true colour, as on a
// depth-8 PseudoColor display).
bool shows_true_colour(const XFacts& x, char* reason, int32_t reason_bytes);
// X's legacy title property, WM_NAME, beside SDL's UTF-8 one.
void set_latin1_name(const XFacts& x, const char* ansi_title);
// Whether a window manager runs, which SDL's full screen needs (true where SDL is not on X).
bool window_manager_running(const XFacts& x);
// Whether the key map makes the right Alt key AltGr, as German and French maps do.
bool right_alt_is_altgr(const XFacts& x);

// ---- Events in bounded batches ----------------------------------------------------------------

// What the window thread must act on at once, however many events wait before it.
struct XWindowNews {
    bool close_requested;   // WM_DELETE_WINDOW came: the close box (cleared once taken)
    bool window_destroyed;  // another client destroyed the window (stays set)
};

// At the window's creation: takes the window's X events into a backlog of our own from now
// on, and X errors about the window once it is gone. False where SDL is not on X or the
// means are missing: SDL's events are then read as SDL delivers them.
bool start_x_event_batches(const XFacts& x);
// Flushes the requests made, and moves every event the connection has into the backlog,
// each in constant time.
void take_x_events();
// Whether the backlog holds events SDL has not had yet.
bool x_events_waiting();
// Hands SDL the backlog's next batch (a few hundred events at most) and pumps SDL's events:
// SDL's queue then holds that batch converted. After take_x_events.
void pump_x_event_batch();
// The news since last asked.
XWindowNews take_x_window_news();
