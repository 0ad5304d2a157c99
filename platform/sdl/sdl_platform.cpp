// The SDL backend's window: creating and showing it, its message queue and loop, its
// timers on the counter's nanoseconds (platform_counter), the wait between messages and the
// message box. The window thread, the one that starts SDL, calls everything here; the
// program thread only wake_window_thread.
//
// The window thread sleeps in ppoll on the X connection, an eventfd that the program
// thread's present writes, and the next timer tick. On X it takes the window's events in
// bounded batches (sdl_x_events.cpp), and serves its timer and presents between them.
// SDL_PushEvent would be the obvious wake-up but takes SDL's queue lock and may allocate: a
// program thread held inside it would stop the window thread's event loop for good.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace {

constexpr uint32_t message_ring_size = 64;  // as deep as a Win32 queue needs to be here
constexpr int32_t timer_count = 4;          // the host runs one
// The longest sleep between looks at SDL's events: with the X connection watched, only a
// safety net; without one (another video driver), how late an event may be seen.
constexpr int64_t longest_wait_watched_ns = 100000000, longest_wait_unwatched_ns = 10000000;

struct Timer {
    HostWindow* window;
    uintptr_t id;
    int64_t period_ns, due_ns;
};

// The window thread's queue: posted messages and converted SDL events, oldest first.
struct MessageRing {
    Message items[message_ring_size];
    uint32_t head, count;
};

// Window thread, except as noted.
struct Backend {
    bool sdl_started;  // read by any thread's on_window_thread
    bool sdl_refused;  // SDL did not start, and said why: not tried again
    pthread_t window_thread;
    WindowProc class_proc;
    HostWindow* window;  // the host window; the seam makes only one
    MessageRing queue;
    Timer timers[timer_count];
    int wake_fd = -1;     // eventfd written by the program thread's present
    int display_fd = -1;  // the X connection; -1 where SDL is not on X
    bool x_batches;       // X events go to SDL a batch at a time, from our backlog
    int64_t woke_ns;      // when the thread last woke from its wait (0: never waited yet)
};
Backend backend;


bool pop(Message* msg) {
    MessageRing& q = backend.queue;
    if (q.count == 0) return false;
    *msg = q.items[q.head];
    q.head = (q.head + 1) % message_ring_size;
    --q.count;
    return true;
}

Message message_now(HostWindow* w, uint32_t message, uintptr_t wparam) {
    int32_t x = 0, y = 0;
    last_mouse_position(&x, &y);
    return Message{handle_of(w), message, wparam, 0, platform_tick_count_ms(), x, y};
}

// ---- Waiting -------------------------------------------------------------------------------

Timer* next_timer() {
    Timer* next = nullptr;
    for (Timer& t : backend.timers) {
        if (t.window != nullptr && (next == nullptr || t.due_ns < next->due_ns)) next = &t;
    }
    return next;
}

// Sleeps until the X connection or the hand-off has something, or until `until_ns`. SDL's
// events must all have been drained just before, or one already read off the connection
// would wait for the next wake-up.
void wait_for_input(int64_t until_ns) {
    // No X connection to watch (another SDL video driver): look at SDL's events every tick.
    int64_t longest_ns = backend.display_fd >= 0 ? longest_wait_watched_ns : longest_wait_unwatched_ns;
    int64_t wait_ns = SDL_min(until_ns - platform_counter(), longest_ns);
    if (wait_ns < 0) wait_ns = 0;
    timespec timeout{static_cast<time_t>(wait_ns / 1000000000), static_cast<long>(wait_ns % 1000000000)};
    pollfd fds[2] = {{backend.wake_fd, POLLIN, 0}, {backend.display_fd, POLLIN, 0}};
    regain_real_time();  // idle again: real time is deserved
    int ready = ppoll(fds, backend.display_fd >= 0 ? 2 : 1, &timeout, nullptr);
    backend.woke_ns = platform_counter();
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        uint64_t count = 0;
        ssize_t got = read(backend.wake_fd, &count, sizeof count);
        (void)got;
    }
}

// The next event SDL has converted. With X batches, without pumping: SDL's queue holds one
// batch at a time, and the next waits until the timer and the presents have had their turn.
bool next_sdl_event(SDL_Event* event) {
    if (!backend.x_batches) return SDL_PollEvent(event) != 0;
    return SDL_PeepEvents(event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

void forget_window(HostWindow* w) {
    w->sdl = nullptr;
    drop_staged_pictures(w);
    for (Timer& t : backend.timers) {  // a window's timers go with it
        if (t.window == w) t = Timer{};
    }
}

// Another client destroyed the window: the run ends as for a window destroyed here. SDL's
// window stays, for the process's last moments: destroying it hides it first, and SDL then
// waits for an unmapping the X server may have sent already, and will not send again.
void end_destroyed_window(HostWindow* w) {
    w->proc(handle_of(w), WM_DESTROY, 0, 0);
    forget_window(w);
}

// With X batches, once SDL's queue is empty: takes in what the connection has, acts on the
// close box and on the window's destruction at once, and gives SDL its next batch. Whether
// there is more to do before waiting.
bool take_next_batch(HostWindow* w) {
    take_x_events();
    XWindowNews news = take_x_window_news();
    if (w != nullptr && w->sdl != nullptr && news.window_destroyed) {
        end_destroyed_window(w);
        return true;
    }
    if (w != nullptr && w->sdl != nullptr && news.close_requested) {
        post(w, WM_CLOSE, 0, 0);
        return true;
    }
    pump_x_event_batch();
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE || x_events_waiting();
}

bool start_sdl() {
    if (backend.sdl_started) return true;
    if (backend.sdl_refused) return false;
    backend.sdl_refused = true;  // until it has started
    backend.window_thread = pthread_self();  // the thread that starts SDL keeps it
    // The window surface by plain X images: half the latency of the accelerated path.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");  // as any Win32 window allows it
    if (!start_video()) return false;
    end_process_when_display_lost();
    backend.wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (backend.wake_fd < 0) {
        char reason[200];
        std::snprintf(reason, sizeof reason, "no eventfd for the program thread's wake-ups (%s)",
                      std::strerror(errno));
        report_window_failure(reason, nullptr);
        return false;
    }
    raise_window_thread_priority();
    backend.sdl_refused = false;
    backend.sdl_started = true;
    return true;
}

int display_fd(SDL_Window* sdl) {
    assert_may_call_sdl();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return -1;
    return ConnectionNumber(info.info.x11.display);
}

// X's legacy title property, WM_NAME, holds Latin-1 (type STRING) by definition, where SDL
// writes UTF-8 bytes; _NET_WM_NAME keeps SDL's UTF-8. Windows-1252's own characters
// (0x80-0x9F) have no Latin-1 byte and show as '?' there.
void set_latin1_name(HostWindow* w, const char* ansi_title) {
    assert_may_call_sdl();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(w->sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
    unsigned char latin1[1024];
    int n = 0;
    for (const uint8_t* c = reinterpret_cast<const uint8_t*>(ansi_title); *c != 0 && n < 1024; ++c)
        latin1[n++] = *c >= 0x80 && *c < 0xA0 ? '?' : *c;
    XChangeProperty(info.info.x11.display, info.info.x11.window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    latin1, n);
    XFlush(info.info.x11.display);
}

}  // namespace

bool on_window_thread() {
    return backend.sdl_started && pthread_equal(pthread_self(), backend.window_thread) != 0;
}

void wake_window_thread() {
    uint64_t one = 1;
    ssize_t written = write(backend.wake_fd, &one, sizeof one);
    (void)written;  // a full counter still wakes the window thread
}

void post(HostWindow* w, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    MessageRing& q = backend.queue;
    if (q.count == message_ring_size) return;  // full, as a Win32 queue can be: the message is lost
    Message& m = q.items[(q.head + q.count++) % message_ring_size];
    m = message_now(w, message, wparam);
    m.lparam = lparam;
}

// ---- Window ----------------------------------------------------------------------------------

void platform_register_class(InstanceHandle, WindowProc proc) { backend.class_proc = proc; }

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    if (backend.class_proc == nullptr || !start_sdl()) return nullptr;
    char utf8[1024];
    ansi_to_utf8(title, utf8, sizeof utf8);
    assert_may_call_sdl();
    SDL_Window* sdl = SDL_CreateWindow(utf8, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, surface_width,
                                       surface_height, SDL_WINDOW_HIDDEN);
    if (sdl == nullptr) {
        report_window_failure("SDL_CreateWindow failed", SDL_GetError());
        return nullptr;
    }
    char reason[300];
    if (!window_shows_true_colour(sdl, reason, sizeof reason)) {
        report_window_failure(reason, nullptr);
        SDL_DestroyWindow(sdl);
        return nullptr;
    }
    HostWindow* w = new HostWindow{};  // lives as long as the process, like its pictures
    w->sdl = sdl;
    w->proc = backend.class_proc;
    w->pictures = create_pictures(w);
    backend.display_fd = display_fd(sdl);
    backend.x_batches = start_x_event_batches(sdl);
    backend.window = w;
    set_latin1_name(w, title);
    if (w->proc(handle_of(w), WM_CREATE, 0, 0) == -1) {  // the procedure refused the window
        SDL_DestroyWindow(sdl);
        w->sdl = nullptr;
        return nullptr;
    }
    return handle_of(w);
}

void platform_show_window(WindowHandle window, int32_t show_command) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr || show_command == SW_HIDE) return;
    assert_may_call_sdl();
    SDL_ShowWindow(w->sdl);  // on X it returns once the window is mapped
    if (show_command == SW_SHOWMINIMIZED || show_command == SW_MINIMIZE || show_command == SW_SHOWMINNOACTIVE)
        SDL_MinimizeWindow(w->sdl);
    w->paint_pending = true;
}

void platform_update_window(WindowHandle window) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr || !w->paint_pending) return;
    w->paint_pending = false;
    w->proc(window, WM_PAINT, 0, 0);
}

// On X the window manager draws the frame outside the client area, so the outer size is
// the client's: WM_CREATE finds 240 x 160 and keeps it.
void platform_client_size(WindowHandle window, int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr) return;
    assert_may_call_sdl();
    SDL_GetWindowSize(w->sdl, cx, cy);
}

void platform_resize_window(WindowHandle window, int32_t outer_cx, int32_t outer_cy) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr || outer_cx <= 0 || outer_cy <= 0) return;
    assert_may_call_sdl();
    int32_t cx = 0, cy = 0;
    SDL_GetWindowSize(w->sdl, &cx, &cy);
    SDL_SetWindowSize(w->sdl, outer_cx, outer_cy);
    // SDL centred the window for its first size; a window not yet shown has no place of the
    // user's to keep, and grown from that place it would reach past the screen's edge.
    if ((cx != outer_cx || cy != outer_cy) && (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_HIDDEN) != 0)
        SDL_SetWindowPosition(w->sdl, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

// Before the window exists SDL may not have started yet: this starts it, on the thread that
// will create the window, as creating it would.
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    if (!start_sdl()) return 0;
    assert_may_call_sdl();
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) return 0;
    *cx = usable.w;
    *cy = usable.h;
    return 1;
}

void platform_set_title(WindowHandle window, const char* ansi_title) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr) return;
    char utf8[1024];
    ansi_to_utf8(ansi_title, utf8, sizeof utf8);
    assert_may_call_sdl();
    SDL_SetWindowTitle(w->sdl, utf8);
    set_latin1_name(w, ansi_title);
}

void platform_destroy_window(WindowHandle window) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr) return;
    assert_may_call_sdl();
    SDL_HideWindow(w->sdl);
    w->proc(window, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(w->sdl);
    forget_window(w);
}

// WM_PAINT is delivered once per invalidation, so there is nothing left to validate.
void platform_paint_nothing(WindowHandle) {}

// ---- Messages ------------------------------------------------------------------------------

// Win32's order: posted and input messages first, then a pending paint, then the timers;
// on X the input comes in batches, and the paint and timers have their turn after each.
int32_t platform_get_message(Message* msg) {
    for (;;) {
        if (backend.woke_ns != 0 && platform_counter() - backend.woke_ns > busy_bound_ns) give_up_real_time();
        show_pictures(backend.window);
        if (pop(msg)) return msg->message == WM_QUIT ? 0 : 1;
        if (backend.sdl_started) assert_may_call_sdl();
        SDL_Event event;
        if (backend.sdl_started && next_sdl_event(&event)) {
            post_event(backend.window, event);
            continue;
        }
        HostWindow* w = backend.window;
        if (w != nullptr && w->sdl != nullptr && w->paint_pending) {
            w->paint_pending = false;
            *msg = message_now(w, WM_PAINT, 0);
            return 1;
        }
        Timer* t = next_timer();
        int64_t now = platform_counter();
        if (t != nullptr && t->due_ns <= now) {
            // One message however late: a timer never queues up ticks.
            t->due_ns = SDL_max(t->due_ns + t->period_ns, now + 1);
            *msg = message_now(t->window, WM_TIMER, t->id);
            return 1;
        }
        if (backend.x_batches && take_next_batch(w)) continue;
        wait_for_input(t != nullptr ? t->due_ns : now + longest_wait_watched_ns);
    }
}

// Messages still queued for a window that has been destroyed go nowhere.
void platform_dispatch_message(const Message* msg) {
    HostWindow* w = window_of(msg->window);
    if (w != nullptr && w->sdl != nullptr) w->proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

void platform_post_quit(int32_t exit_code) { post(nullptr, WM_QUIT, static_cast<uintptr_t>(exit_code), 0); }

void platform_start_timer(WindowHandle window, uintptr_t id, uint32_t period_ms) {
    HostWindow* w = window_of(window);
    Timer* slot = nullptr;
    for (Timer& t : backend.timers) {
        if (t.window == w && t.id == id) slot = &t;  // setting it again restarts it
        if (slot == nullptr && t.window == nullptr) slot = &t;
    }
    if (w == nullptr || slot == nullptr) return;
    int64_t period_ns = int64_t{SDL_max(period_ms, 1u)} * 1000000;
    *slot = Timer{w, id, period_ns, platform_counter() + period_ns};
}

// X already gives a window that takes a button press every pointer event until the last
// button is up (its implicit grab): the release outside the window comes here unasked.
void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}
// SDL tells every leave of the window unasked (sdl_input.cpp makes it WM_MOUSELEAVE).
int32_t platform_track_mouse_leave(WindowHandle) { return 1; }

// The window thread, at start-up (create_dib): a broken precondition of the back buffer.
// The program thread does not exist yet, so no hold can be in force.
void platform_message_box(const char* text, const char* caption) {
    char utf8_text[1024], utf8_caption[256];
    ansi_to_utf8(text, utf8_text, sizeof utf8_text);
    ansi_to_utf8(caption, utf8_caption, sizeof utf8_caption);
    if (SDL_ShowSimpleMessageBox(0, utf8_caption, utf8_text, SDL_GetKeyboardFocus()) != 0)
        std::fprintf(stderr, "%s: %s\n", utf8_caption, utf8_text);  // no way to show it
}

