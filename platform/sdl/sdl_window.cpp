// The window's life on SDL: starting SDL's video on a display someone can see, creating the
// window, showing, sizing, naming and destroying it; how a run ends from outside (signals,
// a lost X display); and every line the backend writes to stderr, named after the running
// program. Window thread, except the signal handler and platform_report_failure.
#include <SDL.h>
#include <X11/Xlib.h>
#include <errno.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/code_page.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_present.h"
#include "platform/sdl/sdl_host_window.h"
#include "platform/sdl/sdl_x.h"
#include "platform/surface_size.h"

WindowThread window_thread;

namespace {

bool is_set(const char* value) { return value != nullptr && value[0] != 0; }

// Prints "PROGRAM: cannot open a window: REASON; SDL: SDL_ERROR" (SDL's part if any).
void report_window_failure(const char* reason, const char* sdl_error) {
    char line[1024];
    std::snprintf(line, sizeof line, "cannot open a window: %s%s%s", reason, is_set(sdl_error) ? "; SDL: " : "",
                  is_set(sdl_error) ? sdl_error : "");
    platform_report_failure(line);
}

// Drivers that show nothing to anyone: a program on them runs on invisibly.
bool shows_nothing(const char* driver) {
    return std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
           std::strcmp(driver, "evdev") == 0;
}

// Wayland's library prints a complaint of its own when it has no runtime folder to look in
// for a compositor; with neither of these set there is no compositor to find anyway.
bool worth_trying(const char* driver) {
    if (shows_nothing(driver)) return false;
    if (std::strcmp(driver, "wayland") == 0)
        return is_set(std::getenv("WAYLAND_DISPLAY")) || is_set(std::getenv("XDG_RUNTIME_DIR"));
    return true;
}

// What is missing, as a user would check it: the display variable first.
void report_no_display(const char* sdl_error) {
    const char* display = std::getenv("DISPLAY");
    char reason[512];
    if (!is_set(display))
        std::snprintf(reason, sizeof reason, "no display (DISPLAY is not set)");
    else
        std::snprintf(reason, sizeof reason, "no display (cannot connect to DISPLAY=%s)", display);
    report_window_failure(reason, sdl_error);
}

// Starts SDL's video. Unless SDL_VIDEODRIVER names a driver, only drivers that show a
// window are tried, never the offscreen or dummy ones. False, with the reason printed,
// when none starts.
bool start_video() {
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    if (is_set(chosen)) {  // the user's choice stands, whatever it is
        if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
        if (std::strcmp(chosen, "x11") == 0) {
            report_no_display(SDL_GetError());
        } else {
            char reason[300];
            std::snprintf(reason, sizeof reason,
                          "the video driver chosen (SDL_VIDEODRIVER=%.200s) did not start", chosen);
            report_window_failure(reason, SDL_GetError());
        }
        return false;
    }
    // SDL's own order, without the drivers that show nothing; the first refusal is the one
    // that explains (the X driver's, as a rule).
    char first_error[256] = "";
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* driver = SDL_GetVideoDriver(i);
        if (driver == nullptr || !worth_trying(driver)) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        if (SDL_Init(SDL_INIT_VIDEO) == 0) return true;
        if (first_error[0] == 0) std::snprintf(first_error, sizeof first_error, "%s", SDL_GetError());
    }
    report_no_display(first_error);
    return false;
}

// Replaces Xlib's handler, which calls exit(): exit handlers and destructors would then
// run while the program thread may still be drawing. Every other ending uses _exit.
int on_display_lost(Display* display) {
    int error = errno;
    const char* why = error == 0 || error == EAGAIN ? "the server closed the connection" : std::strerror(error);
    char line[512];
    std::snprintf(line, sizeof line, "lost the X display %s: %s", DisplayString(display), why);
    platform_report_failure(line);
    std::fflush(nullptr);
    _exit(1);
}

// On X, a lost connection prints one line and ends the process with _exit(1).
void end_process_when_display_lost() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) XSetIOErrorHandler(on_display_lost);
}

WindowProc class_proc;
bool sdl_refused;  // SDL did not start, and said why: not tried again

// The thread that starts SDL keeps it: it becomes the window thread.
bool start_sdl() {
    if (window_thread.sdl_started) return true;
    if (sdl_refused) return false;
    sdl_refused = true;  // until it has started
    window_thread.id = pthread_self();
    // The window surface by plain X images: half the latency of the accelerated path.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");  // as any Win32 window allows it
    // The backend's own handlers take TERM, INT and HUP, from the program's first
    // instruction on (its entry), or from here for a host with an entry of its own.
    catch_ending_signals();
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!start_video()) return false;
    end_process_when_display_lost();
    int wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake_fd < 0) {
        char reason[200];
        std::snprintf(reason, sizeof reason, "no eventfd for the program thread's wake-ups (%s)",
                      std::strerror(errno));
        report_window_failure(reason, nullptr);
        return false;
    }
    window_thread.wake_fd.store(wake_fd, std::memory_order_relaxed);
    raise_window_thread_priority();
    sdl_refused = false;
    window_thread.sdl_started = true;
    return true;
}

// Its pictures to come and its timers go with it.
void forget_window(HostWindow* w) {
    w->sdl = nullptr;
    drop_staged_pictures(w);
    for (WindowTimer& t : w->timers) t = WindowTimer{};
}

// Async-signal-safe: an atomic store and an eventfd write. The message loop makes a close
// of it once the window exists.
void on_ending_signal(int signal_number) {
    int saved_errno = errno;
    window_thread.ending_signal.store(signal_number, std::memory_order_relaxed);
    wake_window_thread();
    errno = saved_errno;
}

}  // namespace

void catch_ending_signals() {
    struct sigaction action {};
    action.sa_handler = on_ending_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
        sigaddset(&ending, signal_number);
    }
    // Blocked by whoever started the program, they would never end it: taken from here on.
    sigprocmask(SIG_UNBLOCK, &ending, nullptr);
}

void platform_report_failure(const char* text) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text);
    std::fflush(stderr);
}

// The window thread, at start-up (create_dib): a broken precondition of the back buffer.
// The program thread does not exist yet, so no hold can be in force.
void platform_message_box(const char* text, const char* caption) {
    char utf8_text[1024], utf8_caption[256];
    ansi_to_utf8(text, utf8_text, sizeof utf8_text);
    ansi_to_utf8(caption, utf8_caption, sizeof utf8_caption);
    if (SDL_ShowSimpleMessageBox(0, utf8_caption, utf8_text, SDL_GetKeyboardFocus()) != 0)
        std::fprintf(stderr, "%s: %s\n", utf8_caption, utf8_text);  // no way to show it
}

void platform_register_class(InstanceHandle, WindowProc proc) { class_proc = proc; }

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    if (class_proc == nullptr || !start_sdl()) return nullptr;
    char utf8[1024];
    ansi_to_utf8(title, utf8, sizeof utf8);
    assert_may_call_sdl();
    SDL_Window* sdl = SDL_CreateWindow(utf8, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, surface_width,
                                       surface_height, SDL_WINDOW_HIDDEN);
    if (sdl == nullptr) {
        report_window_failure("SDL_CreateWindow failed", SDL_GetError());
        return nullptr;
    }
    XFacts x = fetch_x_facts(sdl);
    char reason[300];
    if (!shows_true_colour(x, reason, sizeof reason)) {
        report_window_failure(reason, nullptr);
        SDL_DestroyWindow(sdl);
        return nullptr;
    }
    HostWindow* w = new HostWindow{};  // lives as long as the process, like its pictures
    w->sdl = sdl;
    w->proc = class_proc;
    w->pictures = create_pictures(w);
    w->x = x;
    w->x.batches = start_x_event_batches(x);
    window_thread.window = w;
    set_latin1_name(x, title);
    if (w->proc(handle_of(w), WM_CREATE, 0, 0) == -1) {  // the procedure refused the window
        SDL_DestroyWindow(sdl);
        w->sdl = nullptr;
        return nullptr;
    }
    return handle_of(w);
}

void platform_show_window(WindowHandle window, int32_t show_command) {
    HostWindow* w = window_of(window);
    if (!window_alive(w) || show_command == SW_HIDE) return;
    assert_may_call_sdl();
    SDL_ShowWindow(w->sdl);  // on X it returns once the window is mapped
    if (show_command == SW_SHOWMINIMIZED || show_command == SW_MINIMIZE || show_command == SW_SHOWMINNOACTIVE)
        SDL_MinimizeWindow(w->sdl);
    w->paint_pending = true;
}

void platform_update_window(WindowHandle window) {
    HostWindow* w = window_of(window);
    if (!window_alive(w) || !w->paint_pending) return;
    w->paint_pending = false;
    w->proc(window, WM_PAINT, 0, 0);
}

// On X the window manager draws the frame outside the client area, so the outer size is
// the client's: WM_CREATE finds 240 x 160 and keeps it.
void platform_client_size(WindowHandle window, int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    HostWindow* w = window_of(window);
    if (!window_alive(w)) return;
    assert_may_call_sdl();
    SDL_GetWindowSize(w->sdl, cx, cy);
}

void platform_resize_window(WindowHandle window, int32_t outer_cx, int32_t outer_cy) {
    HostWindow* w = window_of(window);
    if (!window_alive(w) || outer_cx <= 0 || outer_cy <= 0) return;
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

namespace {

// Full screen made by hand, on an X server with no window manager to do it: the window's
// framed place and size to come back to. Window thread.
struct ByHand {
    bool on;
    SDL_Rect framed;
};
ByHand by_hand;

}  // namespace

// SDL's full screen at the desktop's own mode, which keeps the window's framed size and place
// and gives them back. With no window manager, the window is moved over the screen instead.
int32_t platform_set_full_screen(WindowHandle window, int32_t on, int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    HostWindow* w = window_of(window);
    if (!window_alive(w)) return 0;
    assert_may_call_sdl();
    if (!on && by_hand.on) {
        by_hand.on = false;
        SDL_SetWindowSize(w->sdl, by_hand.framed.w, by_hand.framed.h);
        SDL_SetWindowPosition(w->sdl, by_hand.framed.x, by_hand.framed.y);
        return 1;
    }
    SDL_Rect screen{};
    const int display = SDL_GetWindowDisplayIndex(w->sdl);
    if (on && (display < 0 || SDL_GetDisplayBounds(display, &screen) != 0)) return 0;
    if (on && !window_manager_running(w->x)) {
        by_hand.on = true;
        SDL_GetWindowPosition(w->sdl, &by_hand.framed.x, &by_hand.framed.y);
        SDL_GetWindowSize(w->sdl, &by_hand.framed.w, &by_hand.framed.h);
        SDL_SetWindowPosition(w->sdl, screen.x, screen.y);
        SDL_SetWindowSize(w->sdl, screen.w, screen.h);
    } else if (SDL_SetWindowFullscreen(w->sdl, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        return 0;
    }
    *cx = screen.w;
    *cy = screen.h;
    return 1;
}

void platform_set_title(WindowHandle window, const char* ansi_title) {
    HostWindow* w = window_of(window);
    if (!window_alive(w)) return;
    char utf8[1024];
    ansi_to_utf8(ansi_title, utf8, sizeof utf8);
    assert_may_call_sdl();
    SDL_SetWindowTitle(w->sdl, utf8);
    set_latin1_name(w->x, ansi_title);
}

void platform_destroy_window(WindowHandle window) {
    HostWindow* w = window_of(window);
    if (!window_alive(w)) return;
    assert_may_call_sdl();
    SDL_HideWindow(w->sdl);
    w->proc(window, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(w->sdl);
    forget_window(w);
}

// SDL's window stays, for the process's last moments: destroying it hides it first, and SDL
// then waits for an unmapping the X server may have sent already, and will not send again.
void end_destroyed_window(HostWindow* w) {
    w->proc(handle_of(w), WM_DESTROY, 0, 0);
    forget_window(w);
}

// WM_PAINT is delivered once per invalidation, so there is nothing left to validate.
void platform_paint_nothing(WindowHandle) {}
