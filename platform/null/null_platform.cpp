// The null backend: real clocks, and no window, no messages, no program thread. For the
// tools and benchmarks, which draw into a window-less surface and time the frame clock.
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/messages.h"
#include "platform/platform.h"

namespace {

int64_t steady_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// Nothing to show: window creation fails, and a message loop ends at once.
void platform_register_class(InstanceHandle, WindowProc) {}
WindowHandle platform_create_window(InstanceHandle, const char*) { return nullptr; }
void platform_show_window(WindowHandle, int32_t) {}
void platform_update_window(WindowHandle) {}
void platform_client_size(WindowHandle, int32_t* cx, int32_t* cy) { *cx = *cy = 0; }
void platform_resize_window(WindowHandle, int32_t, int32_t) {}
int32_t platform_set_full_screen(WindowHandle, int32_t, int32_t*, int32_t*) { return 0; }
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy) {
    *cx = *cy = 0;
    return 0;
}
void platform_set_title(WindowHandle, const char*) {}
void platform_destroy_window(WindowHandle) {}
void platform_paint_nothing(WindowHandle) {}

int32_t platform_get_message(Message* msg) {
    *msg = Message{nullptr, WM_QUIT, 0, 0, 0, 0, 0};
    return 0;
}
void platform_translate_message(const Message*) {}
void platform_dispatch_message(const Message*) {}
intptr_t platform_default_window_proc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }
void platform_post_quit(int32_t) {}
void platform_start_timer(WindowHandle, uintptr_t, uint32_t) {}
void platform_capture_mouse(WindowHandle) {}
void platform_release_mouse() {}
int32_t platform_track_mouse_leave(WindowHandle) { return 0; }
// No box to show it in: the tool's user still reads it.
void platform_message_box(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

void platform_report_failure(const char* text) { std::fprintf(stderr, "%s\n", text); }

ThreadHandle platform_start_thread(ThreadRoutine) { return nullptr; }
int32_t platform_thread_exit_code(ThreadHandle, uint32_t*) { return 0; }
void platform_suspend_thread(ThreadHandle) {}
void platform_resume_thread(ThreadHandle) {}
void platform_confine_to_first_processor() {}

uint32_t platform_tick_count_ms() { return static_cast<uint32_t>(steady_ns() / 1000000); }
int64_t platform_counter() { return steady_ns(); }
int64_t platform_counter_frequency() { return 1000000000; }
void platform_sleep_until(int64_t deadline) {
    std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline)));
}

// No window to draw into: device contexts, bitmaps and regions are all null, and drawing
// through a null context does nothing.
DcHandle platform_window_dc(WindowHandle) { return nullptr; }
DcHandle platform_create_memory_dc(DcHandle) { return nullptr; }
BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader*, uint8_t** bits) {
    *bits = nullptr;
    return nullptr;
}
void platform_select_bitmap(DcHandle, BitmapHandle) {}
RegionHandle platform_create_rect_region(int32_t, int32_t, int32_t, int32_t) { return nullptr; }
void platform_select_clip_region(DcHandle, RegionHandle) {}
void platform_delete_region(RegionHandle) {}
void platform_fill_black(DcHandle, int32_t, int32_t, int32_t, int32_t) {}
void platform_copy_to_window(DcHandle, int32_t, int32_t, int32_t, int32_t, DcHandle, int32_t, int32_t) {}
void platform_set_nearest_stretch(DcHandle) {}
void platform_stretch_to_window(DcHandle, int32_t, int32_t, int32_t, int32_t, DcHandle, int32_t, int32_t, int32_t,
                                int32_t) {}

// The refresh holds the program thread still here, and inverts the cursor in place.
int32_t platform_present_unheld(DcHandle, int32_t, int32_t, int32_t, int32_t) { return 0; }
