// The shared set-up of the host tests, and the program routine they link against.
#include "tests/host/host_fixture.h"

// Never run by the scripted backend; only its address is handed to the thread start.
uint32_t program_main(void*) { return 0; }

void reset_host() {
    window_proc(nullptr, WM_MOUSELEAVE, 0, 0);  // no leave awaited
    while (take_char() != 0) {
    }
    for (int32_t code = 0; code < 256; ++code) take_press(code);
    mouse_x = mouse_y = mouse_in = 0;
    scripted_reset();
    release_all_keys();  // also forgets which physical keys are down
    for (auto& key : key_state) key.store(0);
    char_queue.count.store(0);
    for (auto& c : char_queue.chars) c.store(0);
    wheel_total = 0;
    host_window = nullptr;
    program_thread = nullptr;
    quit_requested = 0;
    run_finished = 0;
    prompt_waiting = 0;
    end_run_request.store(0);
    manual_refresh.store(0);
    surface.window_dc.store(nullptr);
    surface.memory_dc = nullptr;
    surface.hbm = nullptr;
    surface.bits = nullptr;
    surface.width = surface.height = 0;
    surface.clip_region = nullptr;
    clip_rect = ClipRect{};
    host_options = HostOptions{};
    window_zoom = 1;
}

void open_host() {
    platform_register_class(nullptr, window_proc);
    host_window = platform_create_window(nullptr, PICTAVON_WINDOW_TITLE);
    init_surface(host_window);
    program_thread = platform_start_thread(program_main);
}

const std::vector<uint8_t>& last_present() {
    static const std::vector<uint8_t> none;
    return scripted.presents.empty() ? none : scripted.presents.back();
}

intptr_t send(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return window_proc(host_window, message, wparam, lparam);
}
