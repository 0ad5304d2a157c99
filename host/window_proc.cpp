// The host window's procedure: sizing, the input state, closing, and the timer step.
#include "host/full_screen.h"
#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"
#include "surface/surface.h"

namespace {

// Key messages' lParam: bit 29, Alt was down; bit 30, the key was already down (a repeat).
constexpr intptr_t alt_down_bit = intptr_t{1} << 29, repeat_bit = intptr_t{1} << 30;

// Key messages carry the virtual-key code in wParam, taken as a signed 32-bit value.
int32_t key_code(uintptr_t wparam) { return static_cast<int32_t>(static_cast<uint32_t>(wparam)); }

// The first button down captures the mouse, so that its release reaches the window even
// outside it; the capture ends once every button is up.
void button_down(WindowHandle window, uint8_t slot) {
    bool first = !any_button_down();
    press_button(slot);
    if (first) platform_capture_mouse(window);
}

void button_up(uint8_t slot) {
    key_state[slot].store(0, std::memory_order_relaxed);
    if (!any_button_down()) platform_release_mouse();
}

// Whether the system will say when the pointer leaves the client area: it says so once per
// request, so a move after a leave asks again. Window thread.
bool leave_requested;

// Pointer messages carry the client-area place in lParam as two signed 16-bit halves.
void pointer_moved(WindowHandle window, intptr_t lparam) {
    auto half = [](uintptr_t v) { return static_cast<int32_t>(static_cast<int16_t>(v & 0xFFFF)); };
    const PictureView view = picture_view();  // full screen places the picture elsewhere
    move_pointer(half(static_cast<uintptr_t>(lparam)) - view.x, half(static_cast<uintptr_t>(lparam) >> 16) - view.y,
                 view.zoom);
    if (!leave_requested) leave_requested = platform_track_mouse_leave(window) != 0;
}

// Everything the host leaves to the system. A thread left held by an interrupted refresh
// must not stay so; resuming a running thread changes nothing.
intptr_t pass_on(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    platform_resume_thread(program_thread);
    return platform_default_window_proc(window, message, wparam, lparam);
}

// The window is created 240 x 160 outside; make the client area the zoomed surface's size
// instead. The frame takes (surface_width - cw) across, so the outer width that leaves
// surface_width * zoom inside is surface_width * zoom + (surface_width - cw); the same down.
void fit_client_area(WindowHandle window) {
    int32_t cw = 0, ch = 0;
    platform_client_size(window, &cw, &ch);
    platform_resize_window(window, surface_width * (window_zoom + 1) - cw, surface_height * (window_zoom + 1) - ch);
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
        press_key(key_code(wparam), lparam);
        return 0;
    case WM_KEYUP:
        release_key(key_code(wparam), lparam);
        return 0;
    case WM_SYSKEYUP:
        // A key let go while Alt is down: its slot clears all the same; the system still
        // sees the message (the menu, Alt+F4).
        release_key(key_code(wparam), lparam);
        return pass_on(window, message, wparam, lparam);
    case WM_SYSKEYDOWN:
        // Alt+Enter toggles full screen, once per press. Neither key reaches the routine
        // (system keys never set a slot), and the system does not see them either.
        if (key_code(wparam) == VK_RETURN && (lparam & alt_down_bit) != 0 && (lparam & repeat_bit) == 0) {
            toggle_full_screen(window);
            return 0;
        }
        return pass_on(window, message, wparam, lparam);
    case WM_SYSCHAR:
        if (wparam == '\r') return 0;  // the toggle's character: the system would beep at it
        return pass_on(window, message, wparam, lparam);
    case WM_KILLFOCUS:
        // The keys' releases now go to another window.
        release_all_keys();
        return pass_on(window, message, wparam, lparam);
    case WM_MOUSEMOVE:
        pointer_moved(window, lparam);
        return pass_on(window, message, wparam, lparam);
    case WM_MOUSELEAVE:
        leave_requested = false;
        pointer_left();
        return pass_on(window, message, wparam, lparam);
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the buttons' releases will not come here.
        if (reinterpret_cast<WindowHandle>(lparam) != window) release_buttons();
        return pass_on(window, message, wparam, lparam);
    case WM_CHAR:
        queue_char(static_cast<uint8_t>(wparam & 0xFF));
        return 0;
    case WM_COMMAND:
        return platform_default_window_proc(window, message, wparam, lparam);
    case WM_TIMER:
        mend_full_screen(window);
        timer_step(window);
        return 0;
    case WM_LBUTTONDOWN: button_down(window, VK_LBUTTON); return 0;
    case WM_LBUTTONUP: button_up(VK_LBUTTON); return 0;
    case WM_RBUTTONDOWN: button_down(window, VK_RBUTTON); return 0;
    case WM_RBUTTONUP: button_up(VK_RBUTTON); return 0;
    case WM_MBUTTONDOWN: button_down(window, VK_MBUTTON); return 0;
    case WM_MBUTTONUP: button_up(VK_MBUTTON); return 0;
    case WM_MOUSEWHEEL: {
        // The delta is the high word of wParam, signed: +120 per notch away from the user.
        int16_t delta = static_cast<int16_t>(static_cast<uint16_t>((wparam >> 16) & 0xFFFF));
        wheel_total -= delta;
        return 0;
    }
    default:
        return pass_on(window, message, wparam, lparam);
    }
}
