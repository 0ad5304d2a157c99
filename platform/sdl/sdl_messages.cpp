// The SDL backend's message queue and loop: SDL's events turned into the Win32 messages a
// window would receive (keys, characters, buttons, the wheel, with the modifier and button
// state they carry), posted, taken in Win32's order with the paint and the timers, waited
// for, translated and dispatched. Window thread only.
//
// The window thread sleeps in ppoll on the X connection, an eventfd that the program
// thread's present and the ending signals write, and the next timer tick. On X it takes the
// window's events in bounded batches (sdl_x.cpp), and serves its timer and presents between
// them. SDL_PushEvent would be the obvious wake-up but takes SDL's queue lock and may
// allocate: a program thread held inside it would stop the window thread's event loop for
// good.
#include <SDL.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include "platform/code_page.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_present.h"
#include "platform/sdl/sdl_host_window.h"
#include "platform/sdl/sdl_x.h"

namespace {

constexpr uint32_t message_ring_size = 64;  // as deep as a Win32 queue needs to be here
// The longest sleep between looks at SDL's events: with the X connection watched, only a
// safety net; without one (another video driver), how late an event may be seen.
constexpr int64_t longest_wait_watched_ns = 100000000, longest_wait_unwatched_ns = 10000000;

// Win32 values the portable code never names.
constexpr uint32_t WM_XBUTTONDOWN = 523, WM_XBUTTONUP = 524, WM_MOUSEHWHEEL = 526;
constexpr uintptr_t MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10,
                    MK_XBUTTON1 = 0x20, MK_XBUTTON2 = 0x40;
constexpr uint8_t VK_F4 = 115;
constexpr int32_t WHEEL_DELTA = 120;                     // one notch of the wheel
constexpr intptr_t alt_context_bit = intptr_t{1} << 29;  // key lParam: Alt was down
constexpr uint16_t left_ctrl_scan = 0x1D;

// Input as the converted events left it, for Win32's modifier and button flags.
struct InputState {
    uint16_t modifiers;
    // Right Alt held on a key map that makes it AltGr; and whether the key map does (-1:
    // not looked up since it last changed).
    bool altgr_down;
    int8_t right_alt_is_altgr = -1;
    uintptr_t buttons;
    int32_t mouse_x, mouse_y;
};
InputState input;

// Alt and Control as Win32 sees them: AltGr is Control and Alt together.
bool alt_held(uint16_t mods) { return (mods & KMOD_ALT) != 0 || input.altgr_down; }
bool ctrl_held(uint16_t mods) { return (mods & KMOD_CTRL) != 0 || input.altgr_down; }

uintptr_t mouse_flags() {
    uintptr_t flags = input.buttons;
    if (input.modifiers & KMOD_SHIFT) flags |= MK_SHIFT;
    if (ctrl_held(input.modifiers)) flags |= MK_CONTROL;
    return flags;
}

intptr_t mouse_point(int32_t x, int32_t y) {
    uint32_t low = static_cast<uint16_t>(x), high = static_cast<uint16_t>(y);
    return static_cast<intptr_t>(low | high << 16);
}

// ---- The queue -----------------------------------------------------------------------------

// Posted messages and converted SDL events, oldest first.
struct MessageRing {
    Message items[message_ring_size];
    uint32_t head, count;
};
MessageRing queue;
int64_t woke_ns;  // when the thread last woke from its wait (0: never waited yet)

// A message for w (null: for the thread), stamped with the tick count and the pointer's place.
Message message_now(HostWindow* w, uint32_t message, uintptr_t wparam, intptr_t lparam = 0) {
    return Message{handle_of(w), message, wparam, lparam, platform_tick_count_ms(), input.mouse_x, input.mouse_y};
}

// A full queue loses the message, as a Win32 queue can.
void post(HostWindow* w, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (queue.count < message_ring_size)
        queue.items[(queue.head + queue.count++) % message_ring_size] = message_now(w, message, wparam, lparam);
}

bool pop(Message* msg) {
    if (queue.count == 0) return false;
    *msg = queue.items[queue.head];
    queue.head = (queue.head + 1) % message_ring_size;
    --queue.count;
    return true;
}

// ---- Input translation ---------------------------------------------------------------------

// Whether the key map makes the right Alt key AltGr, looked up again after every key map
// change.
bool altgr_on_right_alt(HostWindow* w) {
    if (input.right_alt_is_altgr < 0) input.right_alt_is_altgr = right_alt_is_altgr(w->x) ? 1 : 0;
    return input.right_alt_is_altgr != 0;
}

intptr_t key_lparam(SDL_Scancode place, bool down, bool repeat, bool alt) {
    intptr_t lparam = 1 | intptr_t{scan_code(place)} << 16 | (alt ? alt_context_bit : 0);
    if (!down)
        lparam |= intptr_t{3} << 30;  // previous state down, transition up
    else if (repeat)
        lparam |= intptr_t{1} << 30;
    return lparam;
}

// AltGr comes as Windows makes it: a left Control and then a right Alt, both ordinary keys
// since Control is down; their releases as ordinary key-ups.
void post_altgr(HostWindow* w, bool down, bool repeat) {
    input.altgr_down = down;
    intptr_t ctrl_lparam = 1 | intptr_t{left_ctrl_scan} << 16;
    if (!down) ctrl_lparam |= intptr_t{3} << 30;
    if (down && repeat) ctrl_lparam |= intptr_t{1} << 30;
    post(w, down ? WM_KEYDOWN : WM_KEYUP, VK_CONTROL, ctrl_lparam);
    post(w, down ? WM_KEYDOWN : WM_KEYUP, VK_MENU, key_lparam(SDL_SCANCODE_RALT, down, repeat, false));
}

// Alt, F10 and keys pressed while Alt is held without Control are system keys: Win32 sends
// them as WM_SYSKEYDOWN/UP.
void post_key(HostWindow* w, const SDL_KeyboardEvent& e) {
    input.modifiers = e.keysym.mod;
    bool down = e.type == SDL_KEYDOWN;
    if (e.keysym.scancode == SDL_SCANCODE_RALT && (altgr_on_right_alt(w) || input.altgr_down)) {
        post_altgr(w, down, e.repeat != 0);
        return;
    }
    uint8_t vk = virtual_key(e.keysym.sym, e.keysym.scancode, (e.keysym.mod & KMOD_NUM) != 0);
    if (vk == 0) return;
    bool alt = alt_held(e.keysym.mod), ctrl = ctrl_held(e.keysym.mod);
    bool system = vk == VK_F10 || (vk == VK_MENU && !ctrl) || (alt && !ctrl);
    uint32_t message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    post(w, message, vk, key_lparam(e.keysym.scancode, down, e.repeat != 0, alt && system));
}

// Each character as its Windows-1252 byte; typed with Alt (and no Control) it is a system
// character, as Win32 makes it. With Control alone the characters are the control codes
// that platform_translate_message makes of the key-down, as TranslateMessage does.
void post_text(HostWindow* w, const char* text) {
    bool alt = alt_held(input.modifiers), ctrl = ctrl_held(input.modifiers);
    if (ctrl && !alt) return;
    uint8_t ansi = 0;
    for (int32_t n; (n = next_ansi_char(text, &ansi)) > 0; text += n)
        post(w, alt && !ctrl ? WM_SYSCHAR : WM_CHAR, ansi, 1);
}

struct ButtonMessages {
    uint8_t button;
    uint32_t down, up;
    uintptr_t flag, xbutton;
};
constexpr ButtonMessages button_messages[] = {
    {SDL_BUTTON_LEFT, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 0},
    {SDL_BUTTON_RIGHT, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 0},
    {SDL_BUTTON_MIDDLE, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, 0},
    {SDL_BUTTON_X1, WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON1, 1},
    {SDL_BUTTON_X2, WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON2, 2},
};

void post_button(HostWindow* w, const SDL_MouseButtonEvent& e) {
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    for (const ButtonMessages& b : button_messages) {
        if (b.button != e.button) continue;
        input.buttons = down ? input.buttons | b.flag : input.buttons & ~b.flag;
        input.mouse_x = e.x;
        input.mouse_y = e.y;
        // A double click is two plain clicks: the class asks for no double-click messages.
        post(w, down ? b.down : b.up, mouse_flags() | b.xbutton << 16, mouse_point(e.x, e.y));
    }
}

// One notch away from the user is +WHEEL_DELTA in the high word of wParam; lParam is on the
// screen.
void post_wheel(HostWindow* w, const SDL_MouseWheelEvent& e) {
    int32_t sign = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    int32_t wx = 0, wy = 0;
    assert_may_call_sdl();
    SDL_GetWindowPosition(w->sdl, &wx, &wy);
    intptr_t point = mouse_point(wx + input.mouse_x, wy + input.mouse_y);
    if (e.y != 0)
        post(w, WM_MOUSEWHEEL,
             static_cast<uintptr_t>(static_cast<uint16_t>(sign * e.y * WHEEL_DELTA)) << 16 | mouse_flags(), point);
    if (e.x != 0)
        post(w, WM_MOUSEHWHEEL,
             static_cast<uintptr_t>(static_cast<uint16_t>(sign * e.x * WHEEL_DELTA)) << 16 | mouse_flags(), point);
}

// One SDL event for w as the Win32 messages a window would receive, queued.
void post_event(HostWindow* w, const SDL_Event& e) {
    if (!window_alive(w)) return;
    switch (e.type) {
    case SDL_QUIT:
        post(w, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) post(w, WM_CLOSE, 0, 0);
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) w->paint_pending = true;
        if (e.window.event == SDL_WINDOWEVENT_LEAVE) post(w, WM_MOUSELEAVE, 0, 0);
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            input.altgr_down = false;  // its release goes elsewhere
            post(w, WM_KILLFOCUS, 0, 0);
        }
        break;
    case SDL_KEYMAPCHANGED: input.right_alt_is_altgr = -1; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: post_key(w, e.key); break;
    case SDL_TEXTINPUT: post_text(w, e.text.text); break;
    case SDL_MOUSEMOTION:
        input.mouse_x = e.motion.x;
        input.mouse_y = e.motion.y;
        post(w, WM_MOUSEMOVE, mouse_flags(), mouse_point(e.motion.x, e.motion.y));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: post_button(w, e.button); break;
    case SDL_MOUSEWHEEL: post_wheel(w, e.wheel); break;
    default: break;
    }
}

// ---- Waiting -------------------------------------------------------------------------------

WindowTimer* next_timer(HostWindow* w) {
    WindowTimer* next = nullptr;
    for (WindowTimer& t : w->timers) {
        if (t.running && (next == nullptr || t.due_ns < next->due_ns)) next = &t;
    }
    return next;
}

// Sleeps until the X connection or the wake-up eventfd has something, or until `until_ns`.
// SDL's events must all have been drained just before, or one already read off the
// connection would wait for the next wake-up.
void wait_for_input(int64_t until_ns, int display_fd) {
    // No X connection to watch (another SDL video driver): look at SDL's events every tick.
    int64_t longest_ns = display_fd >= 0 ? longest_wait_watched_ns : longest_wait_unwatched_ns;
    int64_t wait_ns = SDL_min(until_ns - platform_counter(), longest_ns);
    if (wait_ns < 0) wait_ns = 0;
    timespec timeout{static_cast<time_t>(wait_ns / 1000000000), static_cast<long>(wait_ns % 1000000000)};
    const int wake_fd = window_thread.wake_fd.load(std::memory_order_relaxed);
    pollfd fds[2] = {{wake_fd, POLLIN, 0}, {display_fd, POLLIN, 0}};
    regain_real_time();  // idle again: real time is deserved
    int ready = ppoll(fds, display_fd >= 0 ? 2 : 1, &timeout, nullptr);
    woke_ns = platform_counter();
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        uint64_t count = 0;
        ssize_t got = read(wake_fd, &count, sizeof count);
        (void)got;
    }
}

// The next event SDL has converted. With X batches, without pumping: SDL's queue holds one
// batch at a time, and the next waits until the timer and the presents have had their turn.
bool next_sdl_event(const HostWindow* w, SDL_Event* event) {
    if (w == nullptr || !w->x.batches) return SDL_PollEvent(event) != 0;
    return SDL_PeepEvents(event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

// With X batches, once SDL's queue is empty: takes in what the connection has, acts on the
// close box and on the window's destruction at once, and gives SDL its next batch. Whether
// there is more to do before waiting.
bool take_next_batch(HostWindow* w) {
    take_x_events();
    XWindowNews news = take_x_window_news();
    if (window_alive(w) && news.window_destroyed) {
        end_destroyed_window(w);
        return true;
    }
    if (window_alive(w) && news.close_requested) {
        post(w, WM_CLOSE, 0, 0);
        return true;
    }
    pump_x_event_batch();
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE || x_events_waiting();
}

}  // namespace

// ---- Messages ------------------------------------------------------------------------------

// Win32's order: posted and input messages first, then a pending paint, then the timers;
// on X the input comes in batches, and the paint and timers have their turn after each. A
// TERM, INT or HUP received, at any time since the program started, is a close request.
int32_t platform_get_message(Message* msg) {
    for (;;) {
        if (woke_ns != 0 && platform_counter() - woke_ns > busy_bound_ns) give_up_real_time();
        HostWindow* w = window_thread.window;
        show_pictures(w);
        if (window_alive(w) && window_thread.ending_signal.exchange(0, std::memory_order_relaxed) != 0)
            post(w, WM_CLOSE, 0, 0);
        if (pop(msg)) return msg->message == WM_QUIT ? 0 : 1;
        if (window_thread.sdl_started) assert_may_call_sdl();
        SDL_Event event;
        if (window_thread.sdl_started && next_sdl_event(w, &event)) {
            post_event(w, event);
            continue;
        }
        if (window_alive(w) && w->paint_pending) {
            w->paint_pending = false;
            *msg = message_now(w, WM_PAINT, 0);
            return 1;
        }
        WindowTimer* t = w != nullptr ? next_timer(w) : nullptr;
        int64_t now = platform_counter();
        if (t != nullptr && t->due_ns <= now) {
            // One message however late: a timer never queues up ticks.
            t->due_ns = SDL_max(t->due_ns + t->period_ns, now + 1);
            *msg = message_now(w, WM_TIMER, t->id);
            return 1;
        }
        if (w != nullptr && w->x.batches && take_next_batch(w)) continue;
        wait_for_input(t != nullptr ? t->due_ns : now + longest_wait_watched_ns, w != nullptr ? w->x.connection : -1);
    }
}

// Messages still queued for a window that has been destroyed go nowhere.
void platform_dispatch_message(const Message* msg) {
    HostWindow* w = window_of(msg->window);
    if (window_alive(w)) w->proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

void platform_post_quit(int32_t exit_code) { post(nullptr, WM_QUIT, static_cast<uintptr_t>(exit_code), 0); }

void platform_start_timer(WindowHandle window, uintptr_t id, uint32_t period_ms) {
    HostWindow* w = window_of(window);
    if (w == nullptr) return;
    WindowTimer* slot = nullptr;
    for (WindowTimer& t : w->timers) {
        if (t.running && t.id == id) slot = &t;  // setting it again restarts it
        if (slot == nullptr && !t.running) slot = &t;
    }
    if (slot == nullptr) return;
    int64_t period_ns = int64_t{SDL_max(period_ms, 1u)} * 1000000;
    *slot = WindowTimer{true, id, period_ns, platform_counter() + period_ns};
}

// X already gives a window that takes a button press every pointer event until the last
// button is up (its implicit grab): the release outside the window comes here unasked.
void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}
// SDL tells every leave of the window unasked (post_event makes it WM_MOUSELEAVE).
int32_t platform_track_mouse_leave(WindowHandle) { return 1; }

// What Win32's TranslateMessage does for the keys that type control characters; the
// printable ones arrive as SDL text input. The modifiers are those of the key-down just
// taken from the queue: events are converted one at a time, as they are asked for.
void platform_translate_message(const Message* msg) {
    if (msg->message != WM_KEYDOWN || msg->wparam > 255) return;
    uint8_t vk = static_cast<uint8_t>(msg->wparam);
    uint16_t mods = input.modifiers;
    int32_t c = -1;
    if (ctrl_held(mods) && !alt_held(mods))
        c = control_character(vk, (mods & KMOD_SHIFT) != 0);
    else if (!ctrl_held(mods) && (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE))
        c = vk;
    if (c >= 0) post(window_of(msg->window), WM_CHAR, static_cast<uintptr_t>(c), msg->lparam);
}

// Alt+F4 asks to close, as on Windows; everything else needs nothing.
intptr_t platform_default_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam) {
    HostWindow* w = window_of(window);
    if (message == WM_SYSKEYDOWN && wparam == VK_F4 && (lparam & alt_context_bit) && window_alive(w))
        w->proc(window, WM_CLOSE, 0, 0);
    return 0;
}
