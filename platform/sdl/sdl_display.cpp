// Starting SDL's video on a display someone can see, and ending cleanly when that display
// goes: each failure in one line on stderr, named after the running program. Window thread
// only, while SDL starts.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <errno.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/sdl_backend.h"

namespace {

bool is_set(const char* value) { return value != nullptr && value[0] != 0; }

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

// Replaces Xlib's handler, which calls exit(): exit handlers and destructors would then
// run while the program thread may still be drawing. Every other ending uses _exit.
int on_display_lost(Display* display) {
    int error = errno;
    const char* why =
        error == 0 || error == EAGAIN ? "the server closed the connection" : std::strerror(error);
    std::fprintf(stderr, "%s: lost the X display %s: %s\n", program_invocation_short_name,
                 DisplayString(display), why);
    std::fflush(nullptr);
    _exit(1);
}

const char* visual_class_name(int visual_class) {
    switch (visual_class) {
    case StaticGray: return "StaticGray";
    case GrayScale: return "GrayScale";
    case StaticColor: return "StaticColor";
    case PseudoColor: return "PseudoColor";
    case TrueColor: return "TrueColor";
    default: return "DirectColor";
    }
}

}  // namespace

// SDL takes the screen's default depth and a visual of it, colour-mapped if that is all
// there is: on a depth-8 PseudoColor display every picture came out one flat colour. A
// 16-bit true-colour visual shows them with fewer shades, as Windows does at that depth.
bool window_shows_true_colour(SDL_Window* sdl, char* reason, int32_t reason_bytes) {
    assert_may_call_sdl();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return true;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) == 0) return true;
    int visual_class = attributes.visual->c_class;
    if ((visual_class == TrueColor || visual_class == DirectColor) && attributes.depth >= 15) return true;
    std::snprintf(reason, static_cast<size_t>(reason_bytes),
                  "the display %s has no visual for 24-bit pictures (depth %d, %s; 15 bits or more of "
                  "true colour are needed)",
                  DisplayString(info.info.x11.display), attributes.depth, visual_class_name(visual_class));
    return false;
}

void report_window_failure(const char* reason, const char* sdl_error) {
    if (is_set(sdl_error))
        std::fprintf(stderr, "%s: cannot open a window: %s; SDL: %s\n", program_invocation_short_name, reason,
                     sdl_error);
    else
        std::fprintf(stderr, "%s: cannot open a window: %s\n", program_invocation_short_name, reason);
    std::fflush(stderr);
}

void platform_report_failure(const char* text) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text);
    std::fflush(stderr);
}

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

void end_process_when_display_lost() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) XSetIOErrorHandler(on_display_lost);
}
