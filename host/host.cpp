// Start-up and the message loop of the window thread.
#include "host/host.h"

#include "clock/clock.h"
#include "host/full_screen.h"
#include "host/record.h"
#include "host/window_title.h"
#include "host/zoom.h"
#include "platform/messages.h"
#include "surface/surface.h"

HostOptions host_options;
WindowHandle host_window;
ThreadHandle program_thread;
int32_t quit_requested;
std::atomic<int32_t> manual_refresh;

namespace {

void register_host_class(InstanceHandle instance) { platform_register_class(instance, window_proc); }

// 1 when the window exists and has been shown; host_window is stored only then, so it is
// still null while the creation messages and the first paint run.
int32_t create_host_window(InstanceHandle instance, int32_t show_command) {
    WindowHandle window = platform_create_window(instance, PICTAVON_WINDOW_TITLE);
    if (window == nullptr) return 0;
    platform_show_window(window, show_command);
    platform_update_window(window);
    host_window = window;
    return 1;
}

// Returns the quit code when the loop ends on the quit message, and 0 when it ends because
// the window was closed or destroyed: the message that then found quit_requested set (a
// character typed while closing, say) is not dispatched, and its wParam is no exit code.
int32_t run_message_loop() {
    Message msg{};
    while (platform_get_message(&msg) != 0) {
        if (quit_requested != 0) return 0;
        record_message(msg);
        platform_translate_message(&msg);
        platform_dispatch_message(&msg);
    }
    return static_cast<int32_t>(msg.wparam);
}

}  // namespace

int32_t host_main(InstanceHandle instance, int32_t show_command) {
    std::string why;
    if (host_options.record != nullptr && !start_recording(host_options.record, &why)) {
        platform_report_failure(why.c_str());
        return 1;
    }
    register_host_class(instance);
    window_zoom = chosen_zoom(host_options.zoom);  // WM_CREATE sizes the window by it
    // No window, no run: a failure, which the backend has already explained where it can.
    if (create_host_window(instance, show_command) == 0) return 1;
    init_surface(host_window);
    // The assertion boxes have said which condition failed; with no pixels there is no run.
    if (surface.bits == nullptr) {
        platform_report_failure("cannot make the back buffer: the system refused its 240 x 161 pixels of 24 bits");
        return 1;
    }
    platform_confine_to_first_processor();
    platform_fill_black(surface.window_dc.load(std::memory_order_relaxed), 0, 0, surface_width * window_zoom,
                        surface_height * window_zoom);
    if (host_options.full_screen) set_full_screen(host_window, true);
    wait_frame_rests = host_options.rest ? 1 : 0;  // before the program thread reads it
    program_thread = platform_start_thread(program_main);
    // A routine that never ran is no finished run: no prompt to wait on, and a failure code.
    if (program_thread == nullptr) {
        platform_report_failure("cannot start the program routine: the system would not make another thread");
        return 1;
    }
    int32_t exit_code = run_message_loop();
    finish_recording(quit_requested != 0);
    platform_post_quit(0);
    const int32_t asked = end_run_request.load(std::memory_order_relaxed);
    return asked != 0 ? asked - 1 : exit_code;
}
