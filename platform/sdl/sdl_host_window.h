// What every file of the SDL backend shares: the window record and the window thread. Below
// it only the seam and Linux's threads; the backend's other headers each declare one file's
// functions, and no file calls back into one that calls it.
//
// The window thread is the thread that starts SDL (sdl_window.cpp): it makes every SDL call
// and runs the message loop (sdl_messages.cpp). The program thread's present
// (sdl_present.cpp) asks on_window_thread which side it is on, and reaches the window thread
// only through wake_window_thread, both below.
#pragma once

#include <SDL_video.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cassert>
#include <cstdint>

#include "platform/linux/threads.h"  // program_thread_held
#include "platform/platform.h"

struct WindowPictures;  // sdl_present.cpp
struct _XDisplay;       // Xlib's Display

// What the X server says of the window, fetched once when it is created (sdl_x.cpp).
struct XFacts {
    _XDisplay* display;    // null where SDL is not on X
    unsigned long window;  // the window's XID
    int connection = -1;   // the connection's file descriptor, which the loop's wait watches
    bool batches;          // the window's events reach SDL a batch at a time (sdl_x.cpp)
};

// A timer of the window's, on the counter's nanoseconds. The host runs one, its refresh; a
// spare slot or three cost nothing.
struct WindowTimer {
    bool running;
    uintptr_t id;
    int64_t period_ns, due_ns;
};
constexpr int32_t window_timer_count = 4;

// The host window; the seam makes only one, and it lives as long as the process. Window
// thread, except `pictures`, whose parts sdl_present.cpp gives to one thread or the other.
struct HostWindow {
    SDL_Window* sdl;  // null once destroyed
    WindowProc proc;  // set at creation
    bool paint_pending;
    WindowPictures* pictures;  // set at creation
    XFacts x;
    WindowTimer timers[window_timer_count];  // a window's timers go with it
};

inline HostWindow* window_of(WindowHandle handle) { return reinterpret_cast<HostWindow*>(handle); }
inline WindowHandle handle_of(HostWindow* w) { return reinterpret_cast<WindowHandle>(w); }
inline bool window_alive(const HostWindow* w) { return w != nullptr && w->sdl != nullptr; }

// The window thread, set once as SDL starts. Read by any thread, and by signal handlers:
// a write to wake_fd is all they do to it.
struct WindowThread {
    bool sdl_started;  // written before the program thread exists
    pthread_t id;
    std::atomic<int> wake_fd{-1};       // an eventfd that wakes the thread from its wait
    std::atomic<int> ending_signal{0};  // TERM, INT or HUP came: the run ends as on a close
    HostWindow* window;                 // window thread: the host window, once created
};
extern WindowThread window_thread;

// Any thread: whether the caller is the window thread.
inline bool on_window_thread() {
    return window_thread.sdl_started && pthread_equal(pthread_self(), window_thread.id) != 0;
}

// Any thread, the held program thread and signal handlers too: wakes the window thread from
// its wait. An eventfd write: no lock, no allocation, no SDL call.
inline void wake_window_thread() {
    uint64_t one = 1;
    ssize_t written = write(window_thread.wake_fd.load(std::memory_order_relaxed), &one, sizeof one);
    (void)written;  // a full counter still wakes the thread; before SDL starts there is none
}

// Debug builds check the thread rules at every SDL call that reaches SDL's state: on the
// window thread only, and never while the program thread is held.
inline void assert_may_call_sdl() { assert(on_window_thread() && !program_thread_held()); }

// ---- The window's life (sdl_window.cpp), window thread ---------------------------------------

// Another client destroyed the window: the run ends as for a window destroyed here.
void end_destroyed_window(HostWindow* w);

// The program's entry, first thing: TERM, INT and HUP from then on end the run as a close
// does, with exit code 0, however early they come (a window not yet made closes once it is).
void catch_ending_signals();
