// The web backend: the seam on a browser's workers. The window thread waits on the page's
// input ring and its own timer; the program thread is a pthread that nothing can hold still,
// so the refresh of a routine that never presents shows a copy (platform_present_unheld).
// Presents convert the picture into a slot of web_page.h's link and publish it; the page's
// animation frames draw it.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/code_page.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/web/web_page.h"

namespace {

constexpr uint32_t message_ring_size = 64;
constexpr uintptr_t MK_LBUTTON = 1, MK_RBUTTON = 2, MK_SHIFT = 4, MK_CONTROL = 8, MK_MBUTTON = 0x10;
constexpr intptr_t alt_context_bit = intptr_t{1} << 29;
constexpr uint8_t VK_F4 = 115;

struct Window {
    WindowProc proc;
    bool alive;  // until destroyed; the canvas stays, showing the last picture
    bool paint_pending;
};

struct Bitmap {
    uint8_t* bits;  // bottom-up, 24-bit, with the spare row: surface/back_buffer.h's layout
};

struct MessageRing {
    Message items[message_ring_size];
    uint32_t head, count;
};

// Window thread, except where noted.
struct Backend {
    WindowProc class_proc;
    Window window;
    MessageRing queue;
    PageLink* link;  // made once, never freed
    uintptr_t timer_id;
    double timer_period_ms, timer_due_ms;  // 0 period: no timer
    int32_t key_flags;                     // of the key event last converted
    uintptr_t buttons;
    int32_t pointer_x, pointer_y;
    Bitmap* selected;  // the memory context's bitmap: the one present copies
};
Backend backend;

// The program thread's record: its exit code, STILL_ACTIVE while it runs.
struct ProgramThread {
    pthread_t thread;
    ThreadRoutine routine;
    std::atomic<uint32_t> exit_code;
};

std::atomic<int32_t> writer_slots_given{0};

double now_ms() { return emscripten_get_now(); }

WindowHandle window_handle() { return reinterpret_cast<WindowHandle>(&backend.window); }

void post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    MessageRing& q = backend.queue;
    if (q.count == message_ring_size) return;  // full, as a Win32 queue can be: the message is lost
    q.items[(q.head + q.count++) % message_ring_size] =
        Message{window_handle(), message, wparam, lparam, platform_tick_count_ms(), backend.pointer_x, backend.pointer_y};
}

bool pop(Message* msg) {
    MessageRing& q = backend.queue;
    if (q.count == 0) return false;
    *msg = q.items[q.head];
    q.head = (q.head + 1) % message_ring_size;
    --q.count;
    return true;
}

intptr_t pointer_point(int32_t x, int32_t y) {
    return static_cast<intptr_t>(uint32_t{static_cast<uint16_t>(x)} | uint32_t{static_cast<uint16_t>(y)} << 16);
}

uintptr_t mouse_flags() {
    uintptr_t flags = backend.buttons;
    if (backend.key_flags & key_shift) flags |= MK_SHIFT;
    if (backend.key_flags & key_ctrl) flags |= MK_CONTROL;
    return flags;
}

// Alt, F10 and keys pressed while Alt is held without Control are system keys, as Win32 sends
// them: WM_SYSKEYDOWN/UP, which the host leaves to the system.
void post_key(bool down, int32_t vk, int32_t scan, int32_t flags) {
    backend.key_flags = flags;
    bool alt = (flags & key_alt) != 0, ctrl = (flags & key_ctrl) != 0;
    bool system = vk == VK_F10 || (vk == VK_MENU && !ctrl) || (alt && !ctrl);
    intptr_t lparam = 1 | intptr_t{scan & 0x1FF} << 16 | (alt && system ? alt_context_bit : 0);
    if (!down)
        lparam |= intptr_t{3} << 30;  // previous state down, transition up
    else if (flags & key_repeat)
        lparam |= intptr_t{1} << 30;
    uint32_t message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    post(message, static_cast<uintptr_t>(vk & 0xFF), lparam);
}

// A code point as UTF-8, then as its Windows-1252 byte ('?' where it has none).
void post_char(int32_t code_point) {
    char utf8[5] = {};
    uint32_t c = static_cast<uint32_t>(code_point);
    if (c < 0x80) {
        utf8[0] = static_cast<char>(c);
    } else if (c < 0x800) {
        utf8[0] = static_cast<char>(0xC0 | c >> 6);
        utf8[1] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8[0] = static_cast<char>(0xE0 | c >> 12);
        utf8[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        utf8[2] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        utf8[0] = static_cast<char>(0xF0 | (c >> 18 & 0x07));
        utf8[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        utf8[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        utf8[3] = static_cast<char>(0x80 | (c & 0x3F));
    }
    uint8_t ansi = 0;
    if (next_ansi_char(utf8, &ansi) > 0 && ansi != 0) post(WM_CHAR, ansi, 1);
}

struct ButtonMessages {
    uint32_t down, up;
    uintptr_t flag;
};
constexpr ButtonMessages button_messages[3] = {
    {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON},
    {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON},
    {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
};

void post_button(bool down, int32_t button, int32_t x, int32_t y) {
    if (button < 0 || button > 2) return;
    const ButtonMessages& b = button_messages[button];
    backend.buttons = down ? backend.buttons | b.flag : backend.buttons & ~b.flag;
    backend.pointer_x = x;
    backend.pointer_y = y;
    post(down ? b.down : b.up, mouse_flags(), pointer_point(x, y));
}

// One event of the page's ring as the messages a Win32 window would receive.
void post_page_event(const int32_t* e) {
    switch (e[0]) {
    case page_key_down:
    case page_key_up: post_key(e[0] == page_key_down, e[1], e[2], e[3]); break;
    case page_char:
        // Typed with Control alone it is a control character, made from the key-down.
        if ((backend.key_flags & (key_ctrl | key_alt)) != key_ctrl) post_char(e[1]);
        break;
    case page_pointer_move:
        backend.pointer_x = e[1];
        backend.pointer_y = e[2];
        post(WM_MOUSEMOVE, mouse_flags(), pointer_point(e[1], e[2]));
        break;
    case page_button_down:
    case page_button_up: post_button(e[0] == page_button_down, e[1], e[2], e[3]); break;
    case page_wheel:
        post(WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(e[1])) << 16 | mouse_flags(),
             pointer_point(backend.pointer_x, backend.pointer_y));
        break;
    case page_pointer_leave: post(WM_MOUSELEAVE, 0, 0); break;
    case page_focus_lost: post(WM_KILLFOCUS, 0, 0); break;
    case page_close: post(WM_CLOSE, 0, 0); break;
    default: break;
    }
}

// Takes the page's oldest event, if any: one at a time, when the queue is empty, so that a
// burst waits in the page's ring rather than overflowing the queue.
bool take_page_event() {
    PageLink* link = backend.link;
    if (link == nullptr || link->events_written.load(std::memory_order_acquire) == link->events_read) return false;
    post_page_event(link->events[link->events_read & (page_ring_size - 1)]);
    ++link->events_read;
    return true;
}

// Sleeps until the page appends an event or until `until_ms`.
void wait_for_page(double until_ms) {
    double wait_ms = until_ms - now_ms();
    if (wait_ms <= 0 || backend.link == nullptr) return;
    int32_t seen = backend.link->events_read;
    emscripten_futex_wait(&backend.link->events_written, static_cast<uint32_t>(seen), wait_ms);
}

// ---- Pictures -----------------------------------------------------------------------------

// The slot the calling thread writes its pictures into; each presenting thread gets its own
// on its first present. -1 once the slots are all given (a third presenting thread).
thread_local int32_t writer_slot = -1;

int32_t my_writer_slot() {
    if (writer_slot < 0) {
        int32_t given = writer_slots_given.fetch_add(1);
        if (given < picture_slots - 2) writer_slot = 2 + given;  // 0: the page's, 1: published
    }
    return writer_slot;
}

// Whether slot a holds a later present than slot b (the numbers wrap).
bool newer(PageLink* link, int32_t a, int32_t b) {
    return static_cast<int32_t>(link->sequence[a].load(std::memory_order_relaxed) -
                                link->sequence[b].load(std::memory_order_relaxed)) > 0;
}

// Window rows 0..159 of `bits` (array rows 160 down to 1) as RGBA, with the cx x cy
// rectangle at surface (x, y) inverted; publishes it.
void publish_picture(const uint8_t* bits, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    PageLink* link = backend.link;
    int32_t slot = my_writer_slot();
    if (link == nullptr || bits == nullptr || slot < 0) return;
    // Numbered when the copy starts: a refresh's copy begun before the routine's own present
    // is older than it, even if it is finished later.
    static std::atomic<uint32_t> presents{0};
    link->sequence[slot].store(presents.fetch_add(1) + 1, std::memory_order_relaxed);
    uint8_t* out = link->pixels[slot];
    for (int32_t j = 0; j < surface_height; ++j) {
        const uint8_t* row = bits + (surface_height - j) * surface_width * 3;
        // Window row j shows surface row j - 1: the rectangle's rows y..y+cy-1 are window rows y+1...
        bool row_inverted = j - 1 >= y && j - 1 < y + cy;
        for (int32_t i = 0; i < surface_width; ++i, out += 4) {
            uint8_t mask = row_inverted && i >= x && i < x + cx ? 0xFF : 0;
            out[0] = row[3 * i + 2] ^ mask;
            out[1] = row[3 * i + 1] ^ mask;
            out[2] = row[3 * i] ^ mask;
            out[3] = 255;
        }
    }
    // The newest picture stays published: taking back a newer one not yet shown, publish
    // it again and keep the older. Each exchange hands over one slot and takes one, so every
    // slot keeps a single owner.
    int32_t candidate = slot;
    for (;;) {
        int32_t previous = link->published.exchange(candidate | picture_fresh, std::memory_order_acq_rel);
        int32_t taken = previous & (picture_fresh - 1);
        if ((previous & picture_fresh) == 0 || !newer(link, taken, candidate)) {
            writer_slot = taken;
            return;
        }
        candidate = taken;
    }
}

void* run_program(void* start) {
    auto* program = static_cast<ProgramThread*>(start);
    uint32_t code = program->routine(nullptr);
    program->exit_code.store(code, std::memory_order_release);
    return nullptr;
}

}  // namespace

// ---- Window ----------------------------------------------------------------------------------

void platform_register_class(InstanceHandle, WindowProc proc) { backend.class_proc = proc; }

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    if (backend.class_proc == nullptr) return nullptr;
    // Fixed memory: the page's views of it never go stale (no growth).
    auto* link = static_cast<PageLink*>(std::calloc(1, sizeof(PageLink)));
    if (link == nullptr) {
        platform_report_failure("cannot open the page's window: no memory for its pictures");
        return nullptr;
    }
    link->published.store(1, std::memory_order_relaxed);
    backend.link = link;
    pictavon_page_attach(link, static_cast<int32_t>(sizeof(PageLink)));
    backend.window = Window{backend.class_proc, true, false};
    platform_set_title(window_handle(), title);
    if (backend.window.proc(window_handle(), WM_CREATE, 0, 0) == -1) {
        backend.window.alive = false;
        return nullptr;
    }
    return window_handle();
}

void platform_show_window(WindowHandle, int32_t show_command) {
    if (show_command != SW_HIDE && backend.window.alive) backend.window.paint_pending = true;
}

void platform_update_window(WindowHandle window) {
    if (!backend.window.alive || !backend.window.paint_pending) return;
    backend.window.paint_pending = false;
    backend.window.proc(window, WM_PAINT, 0, 0);
}

// The canvas is the client area, 240 x 160 of its own pixels whatever the zoom (the page
// enlarges it): there is no frame around it and nothing to resize.
void platform_client_size(WindowHandle, int32_t* cx, int32_t* cy) {
    *cx = surface_width;
    *cy = surface_height;
}
void platform_resize_window(WindowHandle, int32_t, int32_t) {}
// The browser has full screen of its own (F11).
int32_t platform_set_full_screen(WindowHandle, int32_t, int32_t*, int32_t*) { return 0; }
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    return 0;  // the page fits the zoom to the browser's window itself
}

void platform_set_title(WindowHandle, const char* ansi_title) {
    char utf8[1024];
    ansi_to_utf8(ansi_title, utf8, sizeof utf8);
    pictavon_page_title(utf8);
}

void platform_destroy_window(WindowHandle window) {
    if (!backend.window.alive) return;
    backend.window.proc(window, WM_DESTROY, 0, 0);
    backend.window.alive = false;
    backend.timer_period_ms = 0;
}

void platform_paint_nothing(WindowHandle) {}

// ---- Messages ------------------------------------------------------------------------------

// Win32's order: posted and input messages first, then a pending paint, then the timer.
int32_t platform_get_message(Message* msg) {
    for (;;) {
        if (pop(msg)) return msg->message == WM_QUIT ? 0 : 1;
        if (take_page_event()) continue;
        if (backend.window.alive && backend.window.paint_pending) {
            backend.window.paint_pending = false;
            *msg = Message{window_handle(), WM_PAINT, 0, 0, platform_tick_count_ms(), 0, 0};
            return 1;
        }
        double now = now_ms();
        if (backend.timer_period_ms > 0 && backend.timer_due_ms <= now) {
            // One message however late: a timer never queues up ticks.
            backend.timer_due_ms = std::max(backend.timer_due_ms + backend.timer_period_ms, now + 0.001);
            *msg = Message{window_handle(), WM_TIMER, backend.timer_id, 0, platform_tick_count_ms(),
                           backend.pointer_x, backend.pointer_y};
            return 1;
        }
        wait_for_page(backend.timer_period_ms > 0 ? backend.timer_due_ms : now + 100);
    }
}

// What Win32's TranslateMessage does for the keys that type control characters; the
// printable ones arrive from the page as characters.
void platform_translate_message(const Message* msg) {
    if (msg->message != WM_KEYDOWN || msg->wparam > 255) return;
    uint8_t vk = static_cast<uint8_t>(msg->wparam);
    bool ctrl = (backend.key_flags & key_ctrl) != 0, alt = (backend.key_flags & key_alt) != 0;
    int32_t c = -1;
    if (ctrl && !alt && vk >= 'A' && vk <= 'Z')
        c = vk - 'A' + 1;
    else if (!ctrl && (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE))
        c = vk;
    if (c >= 0) post(WM_CHAR, static_cast<uintptr_t>(c), msg->lparam);
}

void platform_dispatch_message(const Message* msg) {
    if (backend.window.alive && msg->window == window_handle())
        backend.window.proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

// Alt+F4 asks to close, as on Windows (a browser mostly keeps it for itself).
intptr_t platform_default_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message == WM_SYSKEYDOWN && wparam == VK_F4 && (lparam & alt_context_bit) && backend.window.alive)
        backend.window.proc(window, WM_CLOSE, 0, 0);
    return 0;
}

void platform_post_quit(int32_t exit_code) { post(WM_QUIT, static_cast<uintptr_t>(exit_code), 0); }

void platform_start_timer(WindowHandle, uintptr_t id, uint32_t period_ms) {
    backend.timer_id = id;
    backend.timer_period_ms = period_ms > 0 ? period_ms : 1;
    backend.timer_due_ms = now_ms() + backend.timer_period_ms;
}

// The page captures the pointer itself at a button's press (setPointerCapture), and tells
// every leave unasked.
void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}
int32_t platform_track_mouse_leave(WindowHandle) { return 1; }

void platform_message_box(const char* text, const char* caption) {
    char line[1200], utf8[1200];
    std::snprintf(line, sizeof line, "%s: %s", caption, text);
    ansi_to_utf8(line, utf8, sizeof utf8);
    pictavon_page_report(utf8);
}

void platform_report_failure(const char* text) { pictavon_page_report(text); }

// ---- The program thread -------------------------------------------------------------------

ThreadHandle platform_start_thread(ThreadRoutine routine) {
    auto* program = new ProgramThread{};  // lives as long as the process
    program->routine = routine;
    program->exit_code.store(STILL_ACTIVE, std::memory_order_relaxed);
    if (pthread_create(&program->thread, nullptr, run_program, program) != 0) return nullptr;
    return reinterpret_cast<ThreadHandle>(program);
}

int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code) {
    if (thread == nullptr) return 0;
    *code = reinterpret_cast<ProgramThread*>(thread)->exit_code.load(std::memory_order_acquire);
    return 1;
}

// A browser has no way to hold a thread still: the refresh goes by platform_present_unheld
// instead, and these are never needed.
void platform_suspend_thread(ThreadHandle) {}
void platform_resume_thread(ThreadHandle) {}
void platform_confine_to_first_processor() {}

// ---- Time -------------------------------------------------------------------------------------

uint32_t platform_tick_count_ms() { return static_cast<uint32_t>(static_cast<uint64_t>(now_ms())); }
int64_t platform_counter() { return static_cast<int64_t>(now_ms() * 1000000.0); }
int64_t platform_counter_frequency() { return 1000000000; }

// A futex wait that nobody wakes: the worker really sleeps (Atomics.wait) until the deadline.
void platform_sleep_until(int64_t deadline) {
    static std::atomic<int32_t> never_woken{0};
    for (;;) {
        double wait_ms = static_cast<double>(deadline - platform_counter()) / 1000000.0;
        if (wait_ms <= 0) return;
        emscripten_futex_wait(&never_woken, 0, wait_ms);
    }
}

// ---- Drawing ----------------------------------------------------------------------------------

// One canvas and one back buffer: the contexts are tokens, the memory one holding the bitmap
// selected into it.
DcHandle platform_window_dc(WindowHandle) { return reinterpret_cast<DcHandle>(&backend.window); }
DcHandle platform_create_memory_dc(DcHandle) { return reinterpret_cast<DcHandle>(&backend.selected); }

BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader* header, uint8_t** bits) {
    *bits = nullptr;
    if (header->biWidth != surface_width || header->biHeight != surface_height + 1 || header->biBitCount != 24)
        return nullptr;  // the only picture the page shows
    auto* bitmap = new Bitmap{static_cast<uint8_t*>(std::calloc(surface_height + 1, surface_width * 3))};
    *bits = bitmap->bits;
    return bitmap->bits != nullptr ? reinterpret_cast<BitmapHandle>(bitmap) : nullptr;
}

void platform_select_bitmap(DcHandle, BitmapHandle bitmap) { backend.selected = reinterpret_cast<Bitmap*>(bitmap); }

// Drawing is the routine's own, clipped by the surface: the region is a token.
RegionHandle platform_create_rect_region(int32_t, int32_t, int32_t, int32_t) {
    static int32_t region;
    return reinterpret_cast<RegionHandle>(&region);
}
void platform_select_clip_region(DcHandle, RegionHandle) {}
void platform_delete_region(RegionHandle) {}

// The back buffer starts black, and the page's canvas does too.
void platform_fill_black(DcHandle, int32_t, int32_t, int32_t, int32_t) {}

// Always the whole picture: present asks for nothing else. A null context: the window has
// been closed, and nothing more is shown.
void platform_copy_to_window(DcHandle window_dc, int32_t, int32_t, int32_t, int32_t, DcHandle, int32_t, int32_t) {
    if (window_dc == nullptr || backend.selected == nullptr) return;
    publish_picture(backend.selected->bits, 0, 0, 0, 0);
}

void platform_set_nearest_stretch(DcHandle) {}
// The page enlarges the canvas: the back buffer is sent at its own size.
void platform_stretch_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, DcHandle memory_dc,
                                int32_t src_x, int32_t src_y, int32_t, int32_t) {
    platform_copy_to_window(window_dc, x, y, cx, cy, memory_dc, src_x, src_y);
}

int32_t platform_present_unheld(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    if (window_dc != nullptr && backend.selected != nullptr) publish_picture(backend.selected->bits, x, y, cx, cy);
    return 1;
}
