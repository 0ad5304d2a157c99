// The SDL backend of the seam: the window, its messages and timer, the bitmap and present,
// and the clocks. The window thread makes every SDL call; the program thread's present only
// copies into a triple buffer and wakes the window thread.
//
// The window thread sleeps in ppoll on the X connection, an eventfd that the program
// thread's present writes, and the next timer tick. SDL_PushEvent would be the obvious
// wake-up but takes SDL's queue lock and may allocate: a program thread held inside it
// would stop the window thread's event loop for good.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

ShowRecord last_show;
std::atomic<uint32_t> present_seq;

namespace {

constexpr int32_t client_cx = 240, client_cy = 160;

// Win32 values the portable code never names.
constexpr uint32_t WM_XBUTTONDOWN = 523, WM_XBUTTONUP = 524, WM_MOUSEHWHEEL = 526;
constexpr uintptr_t MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10,
                    MK_XBUTTON1 = 0x20, MK_XBUTTON2 = 0x40;
constexpr uint8_t VK_F4 = 115;
constexpr intptr_t alt_context_bit = intptr_t{1} << 29;  // key lParam: Alt was down

// A window picture, 240 x 160 XRGB8888, top row first, and the rectangle a present wrote.
struct Picture {
    uint32_t pixels[client_cx * client_cy];
    SDL_Rect rect;
    uint32_t seq;  // present_seq of the present that wrote it
};

struct HostWindow;
struct Bitmap {
    int32_t cx, rows, bit_count, row_bytes;
    uint8_t* bits;  // bottom-up: row 0 is the bottom row
};
struct Dc {
    HostWindow* window;  // a window's context; null for a memory one
    Bitmap* bitmap;      // a memory context's selected bitmap
};
struct ClipRegion {
    int32_t left, top, right, bottom;
};

constexpr int32_t fresh_bit = 4, slot_mask = 3;

struct HostWindow {
    SDL_Window* sdl;  // null once destroyed
    WindowProc proc;
    Dc dc;
    bool paint_pending;
    // The program thread's pictures. It owns slots[back]; the window thread owns
    // slots[front]; the third is `ready`, swapped with one atomic exchange by either side,
    // with fresh_bit set while it holds a picture not yet shown.
    Picture* slots[3];
    int32_t back;  // program thread
    std::atomic<int32_t> ready;
    int32_t front;  // window thread
    // The window thread's own presents: its program thread may be held mid-present, so it
    // never touches the hand-off, and its SDL calls wait until the hold is over.
    Picture* staged;
    bool staged_pending;
};

struct Timer {
    HostWindow* window;
    uintptr_t id;
    int64_t period_ns, due_ns;
};

// The window thread's queue: posted messages and converted SDL events, oldest first.
struct MessageRing {
    Message items[64];
    uint32_t head, count;
};

struct Backend {
    bool sdl_started;
    pthread_t window_thread;
    WindowProc class_proc;
    HostWindow* window;  // the host window; the seam makes only one
    MessageRing queue;
    Timer timers[4];
    int wake_fd = -1;     // eventfd written by the program thread's present
    int display_fd = -1;  // the X connection; -1 where SDL is not on X
    // Input as the converted events left it, for Win32's modifier and button flags.
    uint16_t modifiers;
    // Window thread: right Alt held on a key map that makes it AltGr; and whether the key
    // map does (-1: not looked up since it last changed).
    bool altgr_down;
    int8_t right_alt_is_altgr = -1;
    uintptr_t buttons;
    int32_t mouse_x, mouse_y;
};
Backend backend;

constexpr uint8_t VK_CONTROL_KEY = 17, VK_MENU_KEY = 18;
constexpr uint16_t left_ctrl_scan = 0x1D;

int64_t monotonic_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

HostWindow* window_of(WindowHandle handle) { return reinterpret_cast<HostWindow*>(handle); }
WindowHandle handle_of(HostWindow* w) { return reinterpret_cast<WindowHandle>(w); }

bool on_window_thread() {
    return backend.sdl_started && pthread_equal(pthread_self(), backend.window_thread) != 0;
}

// ---- The queue ----------------------------------------------------------------------------

void post(HostWindow* w, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    MessageRing& q = backend.queue;
    if (q.count == 64) return;  // full, as a Win32 queue can be: the message is lost
    q.items[(q.head + q.count++) % 64] = Message{
        handle_of(w), message, wparam, lparam, platform_tick_count_ms(), backend.mouse_x, backend.mouse_y};
}

bool pop(Message* msg) {
    MessageRing& q = backend.queue;
    if (q.count == 0) return false;
    *msg = q.items[q.head];
    q.head = (q.head + 1) % 64;
    --q.count;
    return true;
}

// ---- SDL events as Win32 messages ----------------------------------------------------------

// Alt and Control as Win32 sees them: AltGr is Control and Alt together.
bool alt_held(uint16_t mods) { return (mods & KMOD_ALT) != 0 || backend.altgr_down; }
bool ctrl_held(uint16_t mods) { return (mods & KMOD_CTRL) != 0 || backend.altgr_down; }

uintptr_t mouse_flags() {
    uintptr_t flags = backend.buttons;
    if (backend.modifiers & KMOD_SHIFT) flags |= MK_SHIFT;
    if (ctrl_held(backend.modifiers)) flags |= MK_CONTROL;
    return flags;
}

intptr_t mouse_point(int32_t x, int32_t y) {
    uint32_t low = static_cast<uint16_t>(x), high = static_cast<uint16_t>(y);
    return static_cast<intptr_t>(low | high << 16);
}

// Whether the key map makes the right Alt key AltGr (its first symbol ISO_Level3_Shift or
// Mode_switch), as German and French maps do; on a US map it is a second Alt. Looked up
// again after every key map change.
bool right_alt_is_altgr() {
    if (backend.right_alt_is_altgr >= 0) return backend.right_alt_is_altgr != 0;
    backend.right_alt_is_altgr = 0;
    HostWindow* w = backend.window;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (w == nullptr || w->sdl == nullptr || SDL_GetWindowWMInfo(w->sdl, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11)
        return false;
    Display* display = info.info.x11.display;
    XkbDescPtr keyboard = XkbGetMap(display, 0, XkbUseCoreKbd);
    if (keyboard == nullptr) return false;
    if (XkbGetNames(display, XkbKeyNamesMask, keyboard) != Success) {
        XkbFreeKeyboard(keyboard, 0, True);
        return false;
    }
    for (int code = keyboard->min_key_code;
         keyboard->names != nullptr && keyboard->names->keys != nullptr && code <= keyboard->max_key_code; ++code) {
        if (std::strncmp(keyboard->names->keys[code].name, "RALT", XkbKeyNameLength) != 0) continue;
        KeySym first = XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0);
        if (first == XK_ISO_Level3_Shift || first == XK_Mode_switch) backend.right_alt_is_altgr = 1;
    }
    XkbFreeKeyboard(keyboard, 0, True);
    return backend.right_alt_is_altgr != 0;
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
    backend.altgr_down = down;
    intptr_t ctrl_lparam = 1 | intptr_t{left_ctrl_scan} << 16;
    if (!down) ctrl_lparam |= intptr_t{3} << 30;
    if (down && repeat) ctrl_lparam |= intptr_t{1} << 30;
    post(w, down ? WM_KEYDOWN : WM_KEYUP, VK_CONTROL_KEY, ctrl_lparam);
    post(w, down ? WM_KEYDOWN : WM_KEYUP, VK_MENU_KEY, key_lparam(SDL_SCANCODE_RALT, down, repeat, false));
}

// Alt, F10 and keys pressed while Alt is held without Control are system keys: Win32 sends
// them as WM_SYSKEYDOWN/UP.
void post_key(HostWindow* w, const SDL_KeyboardEvent& e) {
    backend.modifiers = e.keysym.mod;
    bool down = e.type == SDL_KEYDOWN;
    if (e.keysym.scancode == SDL_SCANCODE_RALT && (right_alt_is_altgr() || backend.altgr_down)) {
        post_altgr(w, down, e.repeat != 0);
        return;
    }
    uint8_t vk = virtual_key(e.keysym.sym, e.keysym.scancode, (e.keysym.mod & KMOD_NUM) != 0);
    if (vk == 0) return;
    bool alt = alt_held(e.keysym.mod), ctrl = ctrl_held(e.keysym.mod);
    bool system = vk == VK_F10 || (vk == VK_MENU_KEY && !ctrl) || (alt && !ctrl);
    uint32_t message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    post(w, message, vk, key_lparam(e.keysym.scancode, down, e.repeat != 0, alt && system));
}

// Each character as its Windows-1252 byte; typed with Alt (and no Control) it is a system
// character, as Win32 makes it. With Control alone the characters are the control codes
// that platform_translate_message makes of the key-down, as TranslateMessage does.
void post_text(HostWindow* w, const char* text) {
    bool alt = alt_held(backend.modifiers), ctrl = ctrl_held(backend.modifiers);
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
        backend.buttons = down ? backend.buttons | b.flag : backend.buttons & ~b.flag;
        backend.mouse_x = e.x;
        backend.mouse_y = e.y;
        // A double click is two plain clicks: the class asks for no double-click messages.
        post(w, down ? b.down : b.up, mouse_flags() | b.xbutton << 16, mouse_point(e.x, e.y));
    }
}

// One notch away from the user is +120 in the high word of wParam; lParam is on the screen.
void post_wheel(HostWindow* w, const SDL_MouseWheelEvent& e) {
    int32_t sign = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    int32_t wx = 0, wy = 0;
    SDL_GetWindowPosition(w->sdl, &wx, &wy);
    intptr_t point = mouse_point(wx + backend.mouse_x, wy + backend.mouse_y);
    if (e.y != 0)
        post(w, WM_MOUSEWHEEL,
             static_cast<uintptr_t>(static_cast<uint16_t>(sign * e.y * 120)) << 16 | mouse_flags(), point);
    if (e.x != 0)
        post(w, WM_MOUSEHWHEEL,
             static_cast<uintptr_t>(static_cast<uint16_t>(sign * e.x * 120)) << 16 | mouse_flags(), point);
}

void post_event(const SDL_Event& e) {
    HostWindow* w = backend.window;
    if (w == nullptr || w->sdl == nullptr) return;
    switch (e.type) {
    case SDL_QUIT:  // also what SDL makes of SIGINT and SIGTERM
        post(w, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) post(w, WM_CLOSE, 0, 0);
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) w->paint_pending = true;
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            backend.altgr_down = false;  // its release goes elsewhere
            post(w, WM_KILLFOCUS, 0, 0);
        }
        break;
    case SDL_KEYMAPCHANGED: backend.right_alt_is_altgr = -1; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: post_key(w, e.key); break;
    case SDL_TEXTINPUT: post_text(w, e.text.text); break;
    case SDL_MOUSEMOTION:
        backend.mouse_x = e.motion.x;
        backend.mouse_y = e.motion.y;
        post(w, WM_MOUSEMOVE, mouse_flags(), mouse_point(e.motion.x, e.motion.y));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: post_button(w, e.button); break;
    case SDL_MOUSEWHEEL: post_wheel(w, e.wheel); break;
    default: break;
    }
}

// ---- Pictures ------------------------------------------------------------------------------

// Copies the part of cx x cy at (src_x, src_y) of a bottom-up 24-bit bitmap that exists on
// both sides into the picture at (x, y): window row y + j takes bitmap row rows - 1 - src_y
// - j, and the stored bytes blue, green, red become one XRGB pixel. No scaling. Returns false
// when nothing is copied. Other depths are not shown: the host makes only 24-bit bitmaps.
bool convert(Picture* p, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b, int32_t src_x,
             int32_t src_y) {
    if (b == nullptr || b->bits == nullptr || b->bit_count != 24) return false;
    int32_t i0 = SDL_max(0, SDL_max(-x, -src_x)), i1 = SDL_min(cx, SDL_min(client_cx - x, b->cx - src_x));
    int32_t j0 = SDL_max(0, SDL_max(-y, -src_y)), j1 = SDL_min(cy, SDL_min(client_cy - y, b->rows - src_y));
    if (i0 >= i1 || j0 >= j1) return false;
    for (int32_t j = j0; j < j1; ++j) {
        const uint8_t* src =
            b->bits + static_cast<size_t>(b->rows - 1 - src_y - j) * b->row_bytes + (src_x + i0) * 3;
        uint32_t* dst = &p->pixels[(y + j) * client_cx + x + i0];
        for (int32_t i = i0; i < i1; ++i, src += 3) *dst++ = src[0] | src[1] << 8 | src[2] << 16;
    }
    p->rect = SDL_Rect{x + i0, y + j0, i1 - i0, j1 - j0};
    return true;
}

// The program thread's present: no lock, no allocation, no SDL call. It may be held at
// any point in here; the window thread then just does not see this picture yet.
void hand_off(HostWindow* w, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b, int32_t src_x,
              int32_t src_y) {
    Picture* p = w->slots[w->back];
    if (!convert(p, x, y, cx, cy, b, src_x, src_y)) return;
    p->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    // Publish the picture and take back whichever slot was waiting: a picture not yet shown
    // is overtaken by this one (every present of the host covers the whole client area).
    w->back = w->ready.exchange(w->back | fresh_bit, std::memory_order_acq_rel) & slot_mask;
    uint64_t one = 1;
    ssize_t written = write(backend.wake_fd, &one, sizeof one);
    (void)written;  // a full counter still wakes the window thread
}

// The window thread's present: memory work only, shown by the next show_pictures.
void stage(HostWindow* w, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b, int32_t src_x,
           int32_t src_y) {
    SDL_Rect before = w->staged->rect;
    if (!convert(w->staged, x, y, cx, cy, b, src_x, src_y)) return;
    if (w->staged_pending) SDL_UnionRect(&before, &w->staged->rect, &w->staged->rect);
    w->staged->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    w->staged_pending = true;
}

void show(HostWindow* w, const Picture* p) {
    SDL_Surface* surface = SDL_GetWindowSurface(w->sdl);
    if (surface == nullptr) return;
    SDL_Rect whole{0, 0, surface->w, surface->h}, r{};
    if (!SDL_IntersectRect(&p->rect, &whole, &r)) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    uint8_t* dst =
        static_cast<uint8_t*>(surface->pixels) + r.y * surface->pitch + r.x * surface->format->BytesPerPixel;
    SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_XRGB8888, &p->pixels[r.y * client_cx + r.x], client_cx * 4,
                      surface->format->format, dst, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurfaceRects(w->sdl, &r, 1);  // returns once the X server has it
    last_show.seq.store(p->seq, std::memory_order_relaxed);
    last_show.shown_counter.store(platform_counter(), std::memory_order_relaxed);
}

// Window thread, never while the program thread is held: shows what was presented since,
// the older picture first when both threads presented.
void show_pictures() {
    HostWindow* w = backend.window;
    if (w == nullptr || w->sdl == nullptr) return;
    const Picture* handed = nullptr;
    if (w->ready.load(std::memory_order_relaxed) & fresh_bit) {
        w->front = w->ready.exchange(w->front, std::memory_order_acq_rel) & slot_mask;
        handed = w->slots[w->front];
    }
    const Picture* staged = w->staged_pending ? w->staged : nullptr;
    w->staged_pending = false;
    if (handed && staged && static_cast<int32_t>(handed->seq - staged->seq) > 0) std::swap(handed, staged);
    if (handed) show(w, handed);
    if (staged) show(w, staged);
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
    int64_t longest_ns = backend.display_fd >= 0 ? 100000000 : 10000000;
    int64_t wait_ns = SDL_min(until_ns - monotonic_ns(), longest_ns);
    if (wait_ns < 0) wait_ns = 0;
    timespec timeout{static_cast<time_t>(wait_ns / 1000000000), static_cast<long>(wait_ns % 1000000000)};
    pollfd fds[2] = {{backend.wake_fd, POLLIN, 0}, {backend.display_fd, POLLIN, 0}};
    if (ppoll(fds, backend.display_fd >= 0 ? 2 : 1, &timeout, nullptr) > 0 && (fds[0].revents & POLLIN)) {
        uint64_t count = 0;
        ssize_t got = read(backend.wake_fd, &count, sizeof count);
        (void)got;
    }
}

bool start_sdl() {
    if (backend.sdl_started) return true;
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
    backend.window_thread = pthread_self();
    raise_window_thread_priority();
    backend.sdl_started = true;
    return true;
}

int display_fd(SDL_Window* sdl) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return -1;
    return ConnectionNumber(info.info.x11.display);
}

// X's legacy title property, WM_NAME, holds Latin-1 (type STRING) by definition, where SDL
// writes UTF-8 bytes; _NET_WM_NAME keeps SDL's UTF-8. Windows-1252's own characters
// (0x80-0x9F) have no Latin-1 byte and show as '?' there.
void set_latin1_name(HostWindow* w, const char* ansi_title) {
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

// ---- Window ----------------------------------------------------------------------------------

void platform_register_class(InstanceHandle, WindowProc proc) { backend.class_proc = proc; }

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    if (backend.class_proc == nullptr || !start_sdl()) return nullptr;
    char utf8[1024];
    ansi_to_utf8(title, utf8, sizeof utf8);
    SDL_Window* sdl = SDL_CreateWindow(utf8, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, client_cx,
                                       client_cy, SDL_WINDOW_HIDDEN);
    if (sdl == nullptr) {
        report_window_failure("SDL_CreateWindow failed", SDL_GetError());
        return nullptr;
    }
    HostWindow* w = new HostWindow{};  // lives as long as the process, like its pictures
    w->sdl = sdl;
    w->proc = backend.class_proc;
    w->dc.window = w;
    for (Picture*& slot : w->slots) slot = new Picture{};
    w->staged = new Picture{};
    w->back = 0;
    w->front = 1;
    w->ready.store(2, std::memory_order_relaxed);
    backend.display_fd = display_fd(sdl);
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
    if (w == nullptr || w->sdl == nullptr || show_command == 0) return;  // SW_HIDE
    SDL_ShowWindow(w->sdl);  // on X it returns once the window is mapped
    // SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE
    if (show_command == 2 || show_command == 6 || show_command == 7) SDL_MinimizeWindow(w->sdl);
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
    if (w != nullptr && w->sdl != nullptr) SDL_GetWindowSize(w->sdl, cx, cy);
}

void platform_resize_window(WindowHandle window, int32_t outer_cx, int32_t outer_cy) {
    HostWindow* w = window_of(window);
    if (w != nullptr && w->sdl != nullptr && outer_cx > 0 && outer_cy > 0)
        SDL_SetWindowSize(w->sdl, outer_cx, outer_cy);
}

void platform_set_title(WindowHandle window, const char* ansi_title) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr) return;
    char utf8[1024];
    ansi_to_utf8(ansi_title, utf8, sizeof utf8);
    SDL_SetWindowTitle(w->sdl, utf8);
    set_latin1_name(w, ansi_title);
}

void platform_destroy_window(WindowHandle window) {
    HostWindow* w = window_of(window);
    if (w == nullptr || w->sdl == nullptr) return;
    SDL_HideWindow(w->sdl);
    w->proc(window, WM_DESTROY, 0, 0);
    SDL_DestroyWindow(w->sdl);
    w->sdl = nullptr;
    w->staged_pending = false;
    for (Timer& t : backend.timers) {  // a window's timers go with it
        if (t.window == w) t = Timer{};
    }
}

// WM_PAINT is delivered once per invalidation, so there is nothing left to validate.
void platform_paint_nothing(WindowHandle) {}

// ---- Messages ------------------------------------------------------------------------------

// Win32's order: posted and input messages first, then a pending paint, then the timers.
int32_t platform_get_message(Message* msg) {
    for (;;) {
        show_pictures();
        if (pop(msg)) return msg->message == WM_QUIT ? 0 : 1;
        SDL_Event event;
        if (backend.sdl_started && SDL_PollEvent(&event)) {
            post_event(event);
            continue;
        }
        HostWindow* w = backend.window;
        if (w != nullptr && w->sdl != nullptr && w->paint_pending) {
            w->paint_pending = false;
            *msg = Message{handle_of(w),    WM_PAINT,       0, 0, platform_tick_count_ms(),
                           backend.mouse_x, backend.mouse_y};
            return 1;
        }
        Timer* t = next_timer();
        int64_t now = monotonic_ns();
        if (t != nullptr && t->due_ns <= now) {
            // One message however late: a timer never queues up ticks.
            t->due_ns = SDL_max(t->due_ns + t->period_ns, now + 1);
            *msg = Message{handle_of(t->window),     WM_TIMER,        t->id,          0,
                           platform_tick_count_ms(), backend.mouse_x, backend.mouse_y};
            return 1;
        }
        wait_for_input(t != nullptr ? t->due_ns : now + 100000000);
    }
}

// What Win32's TranslateMessage does for the keys that type control characters; the
// printable ones arrive as SDL text input. The modifiers are those of the key-down just
// taken from the queue: events are converted one at a time, as they are asked for.
void platform_translate_message(const Message* msg) {
    if (msg->message != WM_KEYDOWN || msg->wparam > 255) return;
    uint8_t vk = static_cast<uint8_t>(msg->wparam);
    uint16_t mods = backend.modifiers;
    int32_t c = -1;
    if (ctrl_held(mods) && !alt_held(mods))
        c = control_character(vk, (mods & KMOD_SHIFT) != 0);
    else if (!ctrl_held(mods) && (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE))
        c = vk;
    if (c >= 0) post(window_of(msg->window), WM_CHAR, static_cast<uintptr_t>(c), msg->lparam);
}

// Messages still queued for a window that has been destroyed go nowhere.
void platform_dispatch_message(const Message* msg) {
    HostWindow* w = window_of(msg->window);
    if (w != nullptr && w->sdl != nullptr) w->proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

// Alt+F4 asks to close, as on Windows; everything else needs nothing.
intptr_t platform_default_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam) {
    HostWindow* w = window_of(window);
    if (message == WM_SYSKEYDOWN && wparam == VK_F4 && (lparam & alt_context_bit) && w != nullptr &&
        w->sdl != nullptr)
        w->proc(window, WM_CLOSE, 0, 0);
    return 0;
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
    *slot = Timer{w, id, period_ns, monotonic_ns() + period_ns};
}

// X already gives a window that takes a button press every pointer event until the last
// button is up (its implicit grab): the release outside the window comes here unasked.
void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}

void platform_message_box(const char* text, const char* caption) {
    char utf8_text[1024], utf8_caption[256];
    ansi_to_utf8(text, utf8_text, sizeof utf8_text);
    ansi_to_utf8(caption, utf8_caption, sizeof utf8_caption);
    if (SDL_ShowSimpleMessageBox(0, utf8_caption, utf8_text, SDL_GetKeyboardFocus()) != 0)
        std::fprintf(stderr, "%s: %s\n", utf8_caption, utf8_text);  // no way to show it
}

// ---- Time ----------------------------------------------------------------------------------

uint32_t platform_tick_count_ms() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);  // counts from boot, suspend included, as Windows does
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000);
}

int64_t platform_counter() { return monotonic_ns(); }
int64_t platform_counter_frequency() { return 1000000000; }

// ---- Drawing -------------------------------------------------------------------------------

DcHandle platform_window_dc(WindowHandle window) {
    HostWindow* w = window_of(window);
    return w != nullptr ? reinterpret_cast<DcHandle>(&w->dc) : nullptr;
}

DcHandle platform_create_memory_dc(DcHandle) { return reinterpret_cast<DcHandle>(new Dc{}); }

BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader* header, uint8_t** bits) {
    *bits = nullptr;
    int32_t cx = header->biWidth, rows = header->biHeight, depth = header->biBitCount;
    // Bottom-up bitmaps of a sane size only; 24 bits is the one depth present shows.
    if (cx <= 0 || rows <= 0 || cx > 16384 || rows > 16384 ||
        (depth != 8 && depth != 16 && depth != 24 && depth != 32))
        return nullptr;
    int32_t row_bytes = (cx * depth + 31) / 32 * 4;
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(row_bytes) * rows, 1));
    if (pixels == nullptr) return nullptr;
    *bits = pixels;
    return reinterpret_cast<BitmapHandle>(new Bitmap{cx, rows, depth, row_bytes, pixels});
}

void platform_select_bitmap(DcHandle dc, BitmapHandle bitmap) {
    if (dc != nullptr) reinterpret_cast<Dc*>(dc)->bitmap = reinterpret_cast<Bitmap*>(bitmap);
}

// Nothing draws through a clip region: the pixel writers write the array directly.
RegionHandle platform_create_rect_region(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return reinterpret_cast<RegionHandle>(new ClipRegion{left, top, right, bottom});
}
void platform_select_clip_region(DcHandle, RegionHandle) {}
void platform_delete_region(RegionHandle region) { delete reinterpret_cast<ClipRegion*>(region); }

// Start-up only, on the window thread: black goes the way of the window thread's presents.
void platform_fill_black(DcHandle dc, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    HostWindow* w = dc != nullptr ? reinterpret_cast<Dc*>(dc)->window : nullptr;
    if (w == nullptr || !on_window_thread()) return;
    SDL_Rect asked{x, y, cx, cy}, whole{0, 0, client_cx, client_cy}, r{};
    if (!SDL_IntersectRect(&asked, &whole, &r)) return;
    for (int32_t j = r.y; j < r.y + r.h; ++j)
        std::memset(&w->staged->pixels[j * client_cx + r.x], 0, r.w * 4u);
    if (w->staged_pending) SDL_UnionRect(&w->staged->rect, &r, &r);
    w->staged->rect = r;
    w->staged->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    w->staged_pending = true;
}

void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                             DcHandle memory_dc, int32_t src_x, int32_t src_y) {
    HostWindow* w = window_dc != nullptr ? reinterpret_cast<Dc*>(window_dc)->window : nullptr;
    const Bitmap* b = memory_dc != nullptr ? reinterpret_cast<Dc*>(memory_dc)->bitmap : nullptr;
    if (w == nullptr || b == nullptr) return;
    if (on_window_thread())
        stage(w, x, y, cx, cy, b, src_x, src_y);
    else
        hand_off(w, x, y, cx, cy, b, src_x, src_y);
}
