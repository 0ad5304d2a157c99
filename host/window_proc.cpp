// The host window's procedure: sizing, the input state, closing, and the timer step.
#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"
#include "surface/surface.h"

namespace {

// Key messages carry the virtual-key code in wParam; anything outside 0..255 is ignored.
void set_key(uintptr_t wparam, uint8_t down) {
    int32_t code = static_cast<int32_t>(static_cast<uint32_t>(wparam));
    if (code >= 0 && code <= 255) key_state[code].store(down, std::memory_order_relaxed);
}

// The window is created 240 x 160 outside; make that the client area's size instead.
void fit_client_area(WindowHandle window) {
    int32_t cw = 0, ch = 0;
    platform_client_size(window, &cw, &ch);
    platform_resize_window(window, 480 - cw, 320 - ch);
}

// Closing ends the message loop; every later present draws nothing.
void request_quit() {
    surface.window_dc.store(nullptr, std::memory_order_relaxed);
    quit_requested = 1;
    platform_post_quit(0);
}

}  // namespace

intptr_t window_proc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    switch (message) {
    case WM_CREATE:
        fit_client_area(window);
        platform_start_timer(window, 1, 10);
        return 0;
    case WM_DESTROY:
    case WM_CLOSE:  // the window itself stays until the process ends
        request_quit();
        return 0;
    case WM_PAINT:
        platform_paint_nothing(window);  // the picture returns with the next present
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_KEYDOWN:
        set_key(wparam, 1);
        return 0;
    case WM_KEYUP:
        set_key(wparam, 0);
        return 0;
    case WM_CHAR:
        queue_char(static_cast<uint8_t>(wparam & 0xFF));
        return 0;
    case WM_COMMAND:
        return platform_default_window_proc(window, message, wparam, lparam);
    case WM_TIMER:
        timer_step(window);
        return 0;
    case WM_LBUTTONDOWN: key_state[VK_LBUTTON].store(1, std::memory_order_relaxed); return 0;
    case WM_LBUTTONUP: key_state[VK_LBUTTON].store(0, std::memory_order_relaxed); return 0;
    case WM_RBUTTONDOWN: key_state[VK_RBUTTON].store(1, std::memory_order_relaxed); return 0;
    case WM_RBUTTONUP: key_state[VK_RBUTTON].store(0, std::memory_order_relaxed); return 0;
    case WM_MBUTTONDOWN: key_state[VK_MBUTTON].store(1, std::memory_order_relaxed); return 0;
    case WM_MBUTTONUP: key_state[VK_MBUTTON].store(0, std::memory_order_relaxed); return 0;
    case WM_MOUSEWHEEL: {
        // The delta is the high word of wParam, signed: +120 per notch away from the user.
        int16_t delta = static_cast<int16_t>(static_cast<uint16_t>((wparam >> 16) & 0xFFFF));
        wheel_total -= delta;
        return 0;
    }
    default:
        // A thread left held by an interrupted refresh must not stay so; resuming a running
        // thread changes nothing.
        platform_resume_thread(program_thread);
        return platform_default_window_proc(window, message, wparam, lparam);
    }
}
