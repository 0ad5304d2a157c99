// The replay backend: platform.h with no window and no display, its input from a timeline
// and its clocks virtual (replay.h says how time moves).
//
// Turns: exactly one of the two threads runs at any moment. The window thread runs the host
// (message loop, window_proc, the timer step) only while the program thread waits for its
// turn inside a counter read, or has ended; so the program thread is still whenever the host
// would hold it, and suspend and resume have nothing left to do.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/replay/replay.h"
#include "platform/surface_size.h"

namespace {

constexpr int64_t never = INT64_MAX;
// With no window to close, a replay ends this long after the timeline's last event.
constexpr int64_t run_on_after_last_event_ms = 1000;
// A routine that never waits gives the window side no turn: say so rather than hang.
constexpr int32_t routine_turn_limit_s = 60;
constexpr int32_t picture_bytes = surface_width * surface_height * 3;

// Win32's key-message flags in lParam: repeat count 1, key already down, key going up.
constexpr intptr_t one_repeat = 1;
constexpr intptr_t was_down = intptr_t{1} << 30;
constexpr intptr_t going_up = intptr_t{1} << 31;
constexpr uint8_t vk_lmenu = 0xA4, vk_rmenu = 0xA5;
constexpr int16_t wheel_delta = 120;

// What the window side has to do next, in the order Win32 would do it at one time: the
// pictures of the moment before, the end, input, the timer.
enum class Work { picture, stop, input, tick };

struct Turns {
    std::mutex lock;
    std::condition_variable changed;
};

// All of the backend's state; plain data and heap blocks that are never freed, since the
// run ends with the process while the program thread may be waiting on `turns`.
struct Replay {
    const std::vector<TimelineEvent>* events;
    size_t next_event;
    std::vector<int64_t>* picture_ms;  // sorted, each once
    size_t next_picture;
    bool every_present;
    PictureSink sink;
    int64_t stop_ms;
    bool stopped;

    WindowProc proc;
    bool window_exists;
    int32_t outer_cx;
    char title[512];
    std::deque<Message>* queue;
    uintptr_t timer_id;
    int64_t timer_period, next_tick;  // period 0: no timer
    bool held[256];
    int32_t pointer_x, pointer_y;  // window pixels

    BitmapInfoHeader dib_header;
    uint8_t* dib;
    uint8_t shown[picture_bytes];
    int64_t presents;

    int64_t now;        // the virtual time, ms
    int64_t next_read;  // what the program thread's next counter read returns
    int64_t asked;      // the time the program thread wants to reach; -1 before it first ran
    int64_t due;        // reads from this time on hand the turn to the window side
    Turns* turns;
    std::atomic<bool> program_turn;  // written under turns->lock, read with or without it
    bool ended;
    uint32_t exit_code;
    ThreadRoutine routine;
};
Replay replay;
thread_local bool on_program_thread;

char window_token, dc_token, memory_dc_token, bitmap_token, region_token, thread_token;

WindowHandle the_window() { return reinterpret_cast<WindowHandle>(&window_token); }

void post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    replay.queue->push_back(Message{the_window(), message, wparam, lparam, static_cast<uint32_t>(replay.now),
                                    replay.pointer_x, replay.pointer_y});
}

int32_t zoom() { return std::max(1, replay.outer_cx / surface_width); }

intptr_t pointer_lparam() {
    return static_cast<intptr_t>((static_cast<uint32_t>(replay.pointer_y) & 0xFFFF) << 16 |
                                 (static_cast<uint32_t>(replay.pointer_x) & 0xFFFF));
}

// Windows sends system key messages for Alt, for F10, and for any key while Alt is down.
bool system_key(int32_t code) {
    bool alt = replay.held[VK_MENU] || replay.held[vk_lmenu] || replay.held[vk_rmenu];
    return alt || code == VK_MENU || code == vk_lmenu || code == vk_rmenu || code == VK_F10;
}

void key(int32_t code, bool down) {
    bool sys = system_key(code);
    if (down) {
        post(sys ? WM_SYSKEYDOWN : WM_KEYDOWN, static_cast<uintptr_t>(code), one_repeat | (replay.held[code] ? was_down : 0));
    } else {
        post(sys ? WM_SYSKEYUP : WM_KEYUP, static_cast<uintptr_t>(code), one_repeat | was_down | going_up);
    }
    replay.held[code] = down;
}

// A surface pixel (x, y), y -1 being the spare row, is window pixel (x, y + 1) times the zoom.
void move_to(int32_t x, int32_t y) {
    replay.pointer_x = x * zoom();
    replay.pointer_y = (y + 1) * zoom();
    post(WM_MOUSEMOVE, 0, pointer_lparam());
}

void button(TimelineButton b, bool down) {
    constexpr uint32_t downs[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    constexpr uint32_t ups[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    int32_t i = static_cast<int32_t>(b);
    post(down ? downs[i] : ups[i], 0, pointer_lparam());
}

void deliver(const TimelineEvent& e) {
    switch (e.verb) {
    case TimelineVerb::down: key(e.key, true); break;
    case TimelineVerb::up: key(e.key, false); break;
    case TimelineVerb::tap:
        key(e.key, true);
        key(e.key, false);
        break;
    case TimelineVerb::type:
    case TimelineVerb::character:
        for (char c : e.chars) post(WM_CHAR, static_cast<uint8_t>(c), one_repeat);
        break;
    case TimelineVerb::move: move_to(e.x, e.y); break;
    case TimelineVerb::press:
    case TimelineVerb::release:
    case TimelineVerb::click:
        if (e.at_place) move_to(e.x, e.y);
        if (e.verb != TimelineVerb::release) button(e.button, true);
        if (e.verb != TimelineVerb::press) button(e.button, false);
        break;
    case TimelineVerb::wheel:
        // + towards the user: a negative delta, one message a notch as a wheel sends them.
        for (int32_t n = 0; n < std::abs(e.notches); ++n) {
            auto delta = static_cast<uint16_t>(e.notches > 0 ? -wheel_delta : wheel_delta);
            post(WM_MOUSEWHEEL, static_cast<uintptr_t>(delta) << 16, pointer_lparam());
        }
        break;
    case TimelineVerb::close: post(WM_CLOSE, 0, 0); break;
    case TimelineVerb::leave: post(WM_MOUSELEAVE, 0, 0); break;
    case TimelineVerb::unfocus:
        // The keys' releases go to another window now: a later down is a new press.
        std::memset(replay.held, 0, sizeof replay.held);
        post(WM_KILLFOCUS, 0, 0);
        break;
    }
}

// The window side's next work and the time it falls due: a picture "at MS" includes what
// the routine did at MS, so it falls due once the program asks for MS + 1.
Work next_work(int64_t* when) {
    Work work = Work::stop;
    *when = replay.stop_ms + 1;
    auto consider = [&](Work w, int64_t t) {
        if (t < *when || (t == *when && w < work)) {
            work = w;
            *when = t;
        }
    };
    if (replay.next_picture < replay.picture_ms->size())
        consider(Work::picture, (*replay.picture_ms)[replay.next_picture] + 1);
    if (replay.next_event < replay.events->size()) consider(Work::input, (*replay.events)[replay.next_event].ms);
    if (replay.timer_period > 0) consider(Work::tick, replay.next_tick);
    return work;
}

void do_work(Work work) {
    switch (work) {
    case Work::picture: {
        int64_t ms = (*replay.picture_ms)[replay.next_picture++];
        replay.now = std::max(replay.now, ms);
        if (replay.sink != nullptr) replay.sink(("at-" + std::to_string(ms)).c_str(), replay.shown);
        break;
    }
    case Work::stop:
        replay.now = std::max(replay.now, replay.stop_ms);
        replay.stopped = true;
        replay.queue->push_back(Message{nullptr, WM_QUIT, 0, 0, static_cast<uint32_t>(replay.now), 0, 0});
        break;
    case Work::input: {
        const TimelineEvent& e = (*replay.events)[replay.next_event++];
        replay.now = e.ms;
        deliver(e);
        break;
    }
    case Work::tick:
        replay.now = replay.next_tick;
        replay.next_tick += replay.timer_period;
        post(WM_TIMER, replay.timer_id, 0);
        break;
    }
}

// A turn usually comes back within microseconds, a frame's drawing later: look for it, then
// look again between yields of the processor (cheap where a sleep and its wake-up are dear,
// as under Wine), and only then sleep.
constexpr int32_t turn_spin_reads = 20000;
constexpr int32_t turn_yields = 50;

void give_turn(bool to_program) {
    std::lock_guard<std::mutex> hold(replay.turns->lock);
    replay.program_turn.store(to_program, std::memory_order_release);
    replay.turns->changed.notify_all();
}

// Waits up to a second for the turn to be the program's (to_program) or the window's.
bool await_turn(bool to_program) {
    for (int32_t i = 0; i < turn_spin_reads + turn_yields; ++i) {
        if (replay.program_turn.load(std::memory_order_acquire) == to_program) return true;
        if (i >= turn_spin_reads) std::this_thread::yield();
    }
    std::unique_lock<std::mutex> hold(replay.turns->lock);
    return replay.turns->changed.wait_for(hold, std::chrono::seconds(1), [to_program] {
        return replay.program_turn.load(std::memory_order_acquire) == to_program;
    });
}

// Window thread: lets the program thread run until it asks for `due` or later, or ends.
void program_turn(int64_t due) {
    replay.due = due;
    give_turn(true);
    for (int32_t waited_s = 1; !await_turn(false); ++waited_s) {
        if (waited_s >= routine_turn_limit_s) {
            std::fprintf(stderr,
                         "replay: the routine ran %d s without reading the frame clock: a replay's time moves only "
                         "in wait_frame, rest_frame and start_clock\n",
                         routine_turn_limit_s);
            std::fflush(nullptr);
            std::_Exit(1);
        }
    }
}

// Program thread: gives the turn back, asking for time `t`, and waits to have it again.
void window_turn(int64_t t) {
    replay.asked = t;
    give_turn(false);
    while (!await_turn(true)) {
    }
}

void copy_picture(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t src_x, int32_t src_y) {
    if (window_dc == nullptr || replay.dib == nullptr) return;
    // The window shows the bottom-up bitmap top-down: window row j is bitmap row rows - 1 - src_y - j.
    const int32_t rows = replay.dib_header.biHeight, row_bytes = replay.dib_header.biWidth * 3;
    for (int32_t j = 0; j < cy && y + j < surface_height; ++j) {
        int32_t row = rows - 1 - src_y - j;
        if (row < 0) break;
        const uint8_t* from = replay.dib + row * row_bytes + src_x * 3;
        uint8_t* to = replay.shown + ((y + j) * surface_width + x) * 3;
        for (int32_t i = 0; i < cx && x + i < surface_width; ++i) {
            to[3 * i] = from[3 * i + 2];
            to[3 * i + 1] = from[3 * i + 1];
            to[3 * i + 2] = from[3 * i];
        }
    }
    if (!on_program_thread) return;
    ++replay.presents;
    if (replay.every_present && replay.sink != nullptr) {
        char name[32];
        std::snprintf(name, sizeof name, "present-%05lld", static_cast<long long>(replay.presents));
        replay.sink(name, replay.shown);
    }
}

}  // namespace

// ---- The entry's controls ---------------------------------------------------------------

void replay_prepare(const ReplayPlan& plan) {
    replay.events = new std::vector<TimelineEvent>(plan.events);
    replay.picture_ms = new std::vector<int64_t>(plan.picture_ms);
    std::sort(replay.picture_ms->begin(), replay.picture_ms->end());
    replay.picture_ms->erase(std::unique(replay.picture_ms->begin(), replay.picture_ms->end()),
                             replay.picture_ms->end());
    replay.every_present = plan.every_present;
    replay.sink = plan.sink;
    replay.stop_ms = (plan.events.empty() ? 0 : plan.events.back().ms) + run_on_after_last_event_ms;
    // A picture asked for later than that keeps the run going until it is taken.
    if (!replay.picture_ms->empty()) replay.stop_ms = std::max(replay.stop_ms, replay.picture_ms->back());
    replay.queue = new std::deque<Message>;
    replay.turns = new Turns;
    replay.asked = -1;
    replay.outer_cx = surface_width;
}

ReplayOutcome replay_outcome() {
    std::lock_guard<std::mutex> hold(replay.turns->lock);
    return ReplayOutcome{replay.now, replay.presents, replay.title, replay.ended, replay.exit_code};
}

const uint8_t* replay_window_picture() { return replay.shown; }

// ---- Window ---------------------------------------------------------------------------

void platform_register_class(InstanceHandle, WindowProc proc) { replay.proc = proc; }

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    if (replay.proc == nullptr) return nullptr;
    std::snprintf(replay.title, sizeof replay.title, "%s", title);
    replay.window_exists = true;
    replay.proc(the_window(), WM_CREATE, 0, 0);
    return the_window();
}

void platform_show_window(WindowHandle, int32_t) {}
void platform_update_window(WindowHandle) {}
// No frame: the client area is the whole window.
void platform_client_size(WindowHandle, int32_t* cx, int32_t* cy) {
    *cx = replay.outer_cx;
    *cy = replay.outer_cx / surface_width * surface_height;
}
void platform_resize_window(WindowHandle, int32_t outer_cx, int32_t) { replay.outer_cx = outer_cx; }
// No screen to measure: an automatic zoom is 1.
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    return 0;
}
// No screen to cover: a replay's pictures are the 240 x 160 surface either way.
int32_t platform_set_full_screen(WindowHandle, int32_t, int32_t*, int32_t*) { return 0; }
void platform_set_title(WindowHandle, const char* ansi_title) {
    std::snprintf(replay.title, sizeof replay.title, "%s", ansi_title);
}
void platform_destroy_window(WindowHandle window) {
    if (!replay.window_exists) return;
    replay.window_exists = false;
    replay.proc(window, WM_DESTROY, 0, 0);
}
void platform_paint_nothing(WindowHandle) {}

// ---- Messages --------------------------------------------------------------------------

int32_t platform_get_message(Message* msg) {
    for (;;) {
        if (!replay.queue->empty()) {
            *msg = replay.queue->front();
            replay.queue->pop_front();
            return msg->message == WM_QUIT ? 0 : 1;
        }
        if (replay.stopped) {  // the run is over: nothing more falls due, and the routine stays still
            *msg = Message{nullptr, WM_QUIT, 0, 0, static_cast<uint32_t>(replay.now), 0, 0};
            return 0;
        }
        int64_t when = 0;
        Work work = next_work(&when);
        if (when <= (replay.ended ? never : replay.asked))
            do_work(work);
        else
            program_turn(when);
    }
}

// Characters come from the timeline's type and char lines, never from keys.
void platform_translate_message(const Message*) {}

void platform_dispatch_message(const Message* msg) {
    if (replay.proc != nullptr && msg->window != nullptr) replay.proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

intptr_t platform_default_window_proc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

void platform_post_quit(int32_t exit_code) {
    replay.queue->push_back(Message{nullptr, WM_QUIT, static_cast<uintptr_t>(exit_code), 0,
                                    static_cast<uint32_t>(replay.now), 0, 0});
}

void platform_start_timer(WindowHandle, uintptr_t id, uint32_t period_ms) {
    replay.timer_id = id;
    replay.timer_period = period_ms > 0 ? period_ms : 1;
    replay.next_tick = replay.now + replay.timer_period;
}

void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}
int32_t platform_track_mouse_leave(WindowHandle) { return 1; }

void platform_message_box(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void platform_report_failure(const char* text) { std::fprintf(stderr, "%s\n", text); }

// ---- The program thread ------------------------------------------------------------------

ThreadHandle platform_start_thread(ThreadRoutine routine) {
    replay.routine = routine;
    try {
        std::thread([] {
            on_program_thread = true;
            while (!await_turn(true)) {
            }
            replay.exit_code = replay.routine(nullptr);
            replay.ended = true;
            give_turn(false);
        }).detach();
    } catch (...) {
        return nullptr;
    }
    return reinterpret_cast<ThreadHandle>(&thread_token);
}

int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code) {
    if (thread == nullptr) return 0;
    *code = replay.ended ? replay.exit_code : STILL_ACTIVE;
    return 1;
}

// The window side runs only while the program thread waits for its turn or has ended.
void platform_suspend_thread(ThreadHandle) {}
void platform_resume_thread(ThreadHandle) {}
void platform_confine_to_first_processor() {}

// ---- Time -------------------------------------------------------------------------------

uint32_t platform_tick_count_ms() { return static_cast<uint32_t>(replay.now); }

int64_t platform_counter() {
    if (!on_program_thread) return replay.now;
    int64_t t = replay.next_read++;
    if (t >= replay.due) window_turn(t);
    replay.now = t;
    return t;
}

int64_t platform_counter_frequency() { return 1000; }

void platform_sleep_until(int64_t deadline) {
    if (on_program_thread && deadline > replay.next_read) replay.next_read = deadline;
}

// ---- Drawing ----------------------------------------------------------------------------

DcHandle platform_window_dc(WindowHandle) { return reinterpret_cast<DcHandle>(&dc_token); }
DcHandle platform_create_memory_dc(DcHandle) { return reinterpret_cast<DcHandle>(&memory_dc_token); }

BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader* header, uint8_t** bits) {
    *bits = nullptr;
    if (header->biWidth != surface_width || header->biHeight <= 0 || header->biBitCount != 24) return nullptr;
    replay.dib_header = *header;
    replay.dib = new uint8_t[static_cast<size_t>(header->biHeight) * surface_width * 3]();  // never freed
    *bits = replay.dib;
    return reinterpret_cast<BitmapHandle>(&bitmap_token);
}

void platform_select_bitmap(DcHandle, BitmapHandle) {}
RegionHandle platform_create_rect_region(int32_t, int32_t, int32_t, int32_t) {
    return reinterpret_cast<RegionHandle>(&region_token);
}
void platform_select_clip_region(DcHandle, RegionHandle) {}
void platform_delete_region(RegionHandle) {}

void platform_fill_black(DcHandle, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    for (int32_t j = std::max(0, y); j < std::min(surface_height, y + cy); ++j)
        for (int32_t i = std::max(0, x); i < std::min(surface_width, x + cx); ++i)
            std::memset(replay.shown + (j * surface_width + i) * 3, 0, 3);
}

void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, DcHandle,
                             int32_t src_x, int32_t src_y) {
    copy_picture(window_dc, x, y, cx, cy, src_x, src_y);
}

void platform_set_nearest_stretch(DcHandle) {}

// The refresh holds the program thread still here (the two threads take turns anyway), and
// inverts the cursor in place, as on screen.
int32_t platform_present_unheld(DcHandle, int32_t, int32_t, int32_t, int32_t) { return 0; }

// The picture before its enlargement: a replay's pictures are 240 x 160 at any zoom.
void platform_stretch_to_window(DcHandle window_dc, int32_t, int32_t, int32_t, int32_t, DcHandle, int32_t src_x,
                                int32_t src_y, int32_t src_cx, int32_t src_cy) {
    copy_picture(window_dc, 0, 0, src_cx, src_cy, src_x, src_y);
}
