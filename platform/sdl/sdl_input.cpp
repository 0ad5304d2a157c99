// Input translation: SDL's keyboard, text, mouse and window events as the Win32 messages a
// window would receive, with the modifier and button state those messages carry; and the
// two steps of a message loop that interpret keys (TranslateMessage's control characters,
// the default procedure's Alt+F4). Window thread only.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <cstring>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_backend.h"

namespace {

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
InputState input;  // window thread

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

// Whether the key map makes the right Alt key AltGr (its first symbol ISO_Level3_Shift or
// Mode_switch), as German and French maps do; on a US map it is a second Alt. Looked up
// again after every key map change.
bool right_alt_is_altgr(HostWindow* w) {
    if (input.right_alt_is_altgr >= 0) return input.right_alt_is_altgr != 0;
    input.right_alt_is_altgr = 0;
    assert_may_call_sdl();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (w->sdl == nullptr || SDL_GetWindowWMInfo(w->sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
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
        if (first == XK_ISO_Level3_Shift || first == XK_Mode_switch) input.right_alt_is_altgr = 1;
    }
    XkbFreeKeyboard(keyboard, 0, True);
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
    if (e.keysym.scancode == SDL_SCANCODE_RALT && (right_alt_is_altgr(w) || input.altgr_down)) {
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

}  // namespace

void post_event(HostWindow* w, const SDL_Event& e) {
    if (w == nullptr || w->sdl == nullptr) return;
    switch (e.type) {
    case SDL_QUIT:  // also what SDL makes of SIGINT and SIGTERM
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

void last_mouse_position(int32_t* x, int32_t* y) {
    *x = input.mouse_x;
    *y = input.mouse_y;
}

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
    if (message == WM_SYSKEYDOWN && wparam == VK_F4 && (lparam & alt_context_bit) && w != nullptr &&
        w->sdl != nullptr)
        w->proc(window, WM_CLOSE, 0, 0);
    return 0;
}
