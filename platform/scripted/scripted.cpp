// The scripted backend: platform.h over plain memory, driven and read back by unit tests.
#include "platform/scripted/scripted.h"

#include <cstring>

#include "platform/messages.h"
#include "platform/surface_size.h"

Scripted scripted;

namespace {

// Distinct non-null handles; only their identity matters.
char window_token, window_dc_token, memory_dc_token, bitmap_token, thread_token;
int32_t region_count;

void log_call(const std::string& line) { scripted.calls.push_back(line); }

std::string num(int64_t v) { return std::to_string(v); }

WindowHandle the_window() { return reinterpret_cast<WindowHandle>(&window_token); }

}  // namespace

void scripted_reset() {
    scripted = Scripted{};
    region_count = 0;
}

void scripted_post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    scripted.queue.push_back(Message{the_window(), message, wparam, lparam, scripted.tick_ms, 0, 0});
}

std::string scripted_calls_since(size_t from) {
    std::string out;
    for (size_t i = from; i < scripted.calls.size(); ++i) out += scripted.calls[i] + "\n";
    return out;
}

void platform_register_class(InstanceHandle, WindowProc proc) {
    scripted.proc = proc;
    log_call("register_class");
}

WindowHandle platform_create_window(InstanceHandle, const char* title) {
    log_call(std::string("create_window ") + title);
    if (scripted.fail_create_window || scripted.proc == nullptr) return nullptr;
    scripted.window_exists = true;
    scripted.title = title;
    scripted.outer_cx = surface_width;
    scripted.outer_cy = surface_height;
    scripted.proc(the_window(), WM_CREATE, 0, 0);
    return the_window();
}

void platform_show_window(WindowHandle, int32_t show_command) { log_call("show_window " + num(show_command)); }
void platform_update_window(WindowHandle) { log_call("update_window"); }

void platform_client_size(WindowHandle, int32_t* cx, int32_t* cy) {
    *cx = scripted.outer_cx - scripted.frame_cx;
    *cy = scripted.outer_cy - scripted.frame_cy;
    log_call("client_size " + num(*cx) + " " + num(*cy));
}

void platform_resize_window(WindowHandle, int32_t outer_cx, int32_t outer_cy) {
    scripted.outer_cx = outer_cx;
    scripted.outer_cy = outer_cy;
    log_call("resize_window " + num(outer_cx) + " " + num(outer_cy));
}

int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = scripted.screen_cx;
    *cy = scripted.screen_cy;
    log_call("usable_screen_size " + num(*cx) + " " + num(*cy));
    return *cx > 0 && *cy > 0 ? 1 : 0;
}

// Covers the scripted screen (screen_cx x screen_cy); refused when it cannot be measured.
int32_t platform_set_full_screen(WindowHandle, int32_t on, int32_t* cx, int32_t* cy) {
    *cx = scripted.screen_cx;
    *cy = scripted.screen_cy;
    log_call("set_full_screen " + num(on));
    return *cx > 0 && *cy > 0 ? 1 : 0;
}

void platform_set_title(WindowHandle, const char* ansi_title) {
    scripted.title = ansi_title;
    scripted.titles.push_back(ansi_title);
    log_call(std::string("set_title ") + ansi_title);
}

void platform_destroy_window(WindowHandle window) {
    log_call("destroy_window");
    if (!scripted.window_exists) return;
    scripted.window_exists = false;
    scripted.proc(window, WM_DESTROY, 0, 0);
}

void platform_paint_nothing(WindowHandle) { log_call("paint_nothing"); }

int32_t platform_get_message(Message* msg) {
    if (scripted.queue.empty() && scripted.on_idle) scripted.on_idle();
    if (scripted.queue.empty()) {
        scripted.ran_dry = true;
        *msg = Message{nullptr, WM_QUIT, 0, 0, 0, 0, 0};
        return 0;
    }
    *msg = scripted.queue.front();
    scripted.queue.pop_front();
    return msg->message == WM_QUIT ? 0 : 1;
}

void platform_translate_message(const Message* msg) {
    if (msg->message != WM_KEYDOWN) return;
    // Win32 turns these key-downs into characters; enough of its table for the host's needs.
    uintptr_t vk = msg->wparam;
    uintptr_t ch = 0;
    if (vk == VK_BACK || vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_SPACE) ch = vk;
    if (vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9') ch = vk;
    if (ch != 0) scripted.queue.push_front(Message{msg->window, WM_CHAR, ch, 0, msg->time_ms, 0, 0});
}

void platform_dispatch_message(const Message* msg) {
    if (scripted.proc != nullptr && msg->window != nullptr)
        scripted.proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

intptr_t platform_default_window_proc(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    log_call("default_window_proc " + num(message));
    return 0;
}

void platform_capture_mouse(WindowHandle) { log_call("capture_mouse"); }
void platform_release_mouse() { log_call("release_mouse"); }
int32_t platform_track_mouse_leave(WindowHandle) {
    log_call("track_mouse_leave");
    return 1;
}

void platform_post_quit(int32_t exit_code) {
    log_call("post_quit " + num(exit_code));
    scripted.queue.push_back(Message{nullptr, WM_QUIT, static_cast<uintptr_t>(exit_code), 0, 0, 0, 0});
}

void platform_start_timer(WindowHandle, uintptr_t id, uint32_t period_ms) {
    log_call("start_timer " + num(static_cast<int64_t>(id)) + " " + num(period_ms));
}

void platform_message_box(const char* text, const char* caption) {
    scripted.boxes.push_back(std::string(caption) + ": " + text);
    log_call(std::string("message_box ") + text);
}

void platform_report_failure(const char* text) { log_call(std::string("report_failure ") + text); }

ThreadHandle platform_start_thread(ThreadRoutine routine) {
    log_call("start_thread");
    if (scripted.fail_start_thread) return nullptr;
    scripted.routine = routine;
    return reinterpret_cast<ThreadHandle>(&thread_token);
}

int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code) {
    if (thread == nullptr) return 0;
    *code = scripted.thread_exit_code;
    return 1;
}

void platform_suspend_thread(ThreadHandle thread) {
    log_call("suspend_thread");
    if (thread == nullptr || scripted.thread_exit_code != STILL_ACTIVE) return;
    ++scripted.held;
    if (scripted.on_suspend) scripted.on_suspend();
}

void platform_resume_thread(ThreadHandle thread) {
    if (thread == nullptr || scripted.held == 0) return;  // resuming a running thread: no effect
    log_call("resume_thread");
    --scripted.held;
}

void platform_confine_to_first_processor() { log_call("confine_to_first_processor"); }

uint32_t platform_tick_count_ms() { return scripted.tick_ms; }

int64_t platform_counter() {
    ++scripted.counter_reads;
    return scripted.read_counter ? scripted.read_counter() : scripted.counter;
}

int64_t platform_counter_frequency() { return scripted.counter_hz; }

// The sleep is instant: a plain counter jumps to the deadline, a test's own counter is left
// to the test.
void platform_sleep_until(int64_t deadline) {
    scripted.sleeps.push_back(deadline);
    if (!scripted.read_counter && scripted.counter < deadline) scripted.counter = deadline;
}

DcHandle platform_window_dc(WindowHandle) {
    log_call("window_dc");
    return reinterpret_cast<DcHandle>(&window_dc_token);
}

DcHandle platform_create_memory_dc(DcHandle) {
    log_call("create_memory_dc");
    return reinterpret_cast<DcHandle>(&memory_dc_token);
}

BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader* header, uint8_t** bits) {
    log_call("create_dib_section " + num(header->biWidth) + " " + num(header->biHeight) + " " +
             num(header->biBitCount));
    scripted.dib_header = *header;
    *bits = nullptr;
    if (scripted.fail_dib || header->biWidth <= 0 || header->biHeight <= 0) return nullptr;
    int64_t row_bytes = (int64_t{header->biWidth} * header->biBitCount + 31) / 32 * 4;
    scripted.dib.assign(static_cast<size_t>(row_bytes * header->biHeight), 0);
    *bits = scripted.dib.data();
    return reinterpret_cast<BitmapHandle>(&bitmap_token);
}

void platform_select_bitmap(DcHandle, BitmapHandle) { log_call("select_bitmap"); }

RegionHandle platform_create_rect_region(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    log_call("create_rect_region " + num(left) + " " + num(top) + " " + num(right) + " " + num(bottom));
    // A distinct fake handle per region, never dereferenced.
    return reinterpret_cast<RegionHandle>(static_cast<uintptr_t>(++region_count) * 16);
}

void platform_select_clip_region(DcHandle, RegionHandle region) {
    log_call("select_clip_region " + num(static_cast<int64_t>(reinterpret_cast<uintptr_t>(region) / 16)));
}

void platform_delete_region(RegionHandle region) {
    log_call("delete_region " + num(static_cast<int64_t>(reinterpret_cast<uintptr_t>(region) / 16)));
}

void platform_fill_black(DcHandle, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    log_call("fill_black " + num(x) + " " + num(y) + " " + num(cx) + " " + num(cy));
}

namespace {

// The window picture of cx x cy bitmap pixels from (src_x, src_y) at (x, y), unscaled.
void record_present(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, int32_t src_x,
                    int32_t src_y) {
    if (window_dc == nullptr || scripted.dib.empty()) return;
    // The window shows the bitmap top-down: window row j is bitmap row (rows - 1 - src_y - j).
    const int32_t rows = scripted.dib_header.biHeight;
    const int32_t row_bytes = scripted.dib_header.biWidth * 3;
    constexpr int32_t window_row_bytes = surface_width * 3;
    std::vector<uint8_t> picture(surface_height * window_row_bytes, 0);
    for (int32_t j = 0; j < cy && j + y < surface_height; ++j) {
        int32_t row = rows - 1 - src_y - j;
        if (row < 0) break;
        std::memcpy(&picture[static_cast<size_t>((y + j) * window_row_bytes + x * 3)],
                    &scripted.dib[static_cast<size_t>(row * row_bytes + src_x * 3)],
                    static_cast<size_t>(cx * 3));
    }
    scripted.presents.push_back(std::move(picture));
}

}  // namespace

void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, DcHandle,
                             int32_t src_x, int32_t src_y) {
    log_call("copy_to_window " + num(x) + " " + num(y) + " " + num(cx) + " " + num(cy));
    record_present(window_dc, x, y, cx, cy, src_x, src_y);
}

void platform_set_nearest_stretch(DcHandle) { log_call("set_nearest_stretch"); }

void platform_stretch_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, DcHandle,
                                int32_t src_x, int32_t src_y, int32_t src_cx, int32_t src_cy) {
    log_call("stretch_to_window " + num(x) + " " + num(y) + " " + num(cx) + " " + num(cy) + " from " +
             num(src_cx) + " " + num(src_cy));
    record_present(window_dc, 0, 0, src_cx, src_cy, src_x, src_y);
}

// Holding the thread, unless the test plays a backend that cannot (a browser's).
int32_t platform_present_unheld(DcHandle, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    if (!scripted.cannot_hold_thread) return 0;
    log_call("present_unheld " + num(x) + " " + num(y) + " " + num(cx) + " " + num(cy));
    return 1;
}
