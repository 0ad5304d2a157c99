// SDL keys as Win32 virtual-key codes and scan codes. Pure functions of their arguments: any
// thread may call them.
#include <SDL.h>

#include "platform/messages.h"
#include "platform/sdl/sdl_keys.h"

namespace {

// Win32's virtual-key codes beyond the few the portable code names, under Win32's names.
enum : uint8_t {
    VK_CANCEL = 0x03,
    VK_CLEAR = 0x0C,
    VK_PAUSE = 0x13,
    VK_CAPITAL = 0x14,  // Caps Lock
    VK_PRIOR = 0x21,    // Page Up
    VK_NEXT = 0x22,     // Page Down
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_SELECT = 0x29,
    VK_EXECUTE = 0x2B,
    VK_SNAPSHOT = 0x2C,  // Print Screen
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_HELP = 0x2F,
    VK_LWIN = 0x5B,
    VK_RWIN = 0x5C,
    VK_APPS = 0x5D,
    VK_SLEEP = 0x5F,
    VK_NUMPAD0 = 0x60,  // to VK_NUMPAD9 = 0x69
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SEPARATOR = 0x6C,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,   // to VK_F12 = 0x7B
    VK_F13 = 0x7C,  // to VK_F24 = 0x87
    VK_NUMLOCK = 0x90,
    VK_SCROLL = 0x91,
    VK_BROWSER_BACK = 0xA6,
    VK_BROWSER_FORWARD = 0xA7,
    VK_BROWSER_REFRESH = 0xA8,
    VK_BROWSER_STOP = 0xA9,
    VK_BROWSER_SEARCH = 0xAA,
    VK_BROWSER_FAVORITES = 0xAB,
    VK_BROWSER_HOME = 0xAC,
    VK_VOLUME_MUTE = 0xAD,
    VK_VOLUME_DOWN = 0xAE,
    VK_VOLUME_UP = 0xAF,
    VK_MEDIA_NEXT_TRACK = 0xB0,
    VK_MEDIA_PREV_TRACK = 0xB1,
    VK_MEDIA_STOP = 0xB2,
    VK_MEDIA_PLAY_PAUSE = 0xB3,
    VK_LAUNCH_MAIL = 0xB4,
    VK_LAUNCH_MEDIA_SELECT = 0xB5,
    VK_LAUNCH_APP1 = 0xB6,  // My Computer
    VK_LAUNCH_APP2 = 0xB7,  // Calculator
    VK_OEM_1 = 0xBA,        // ;: on a US keyboard, as are the OEM keys below
    VK_OEM_PLUS = 0xBB,
    VK_OEM_COMMA = 0xBC,
    VK_OEM_MINUS = 0xBD,
    VK_OEM_PERIOD = 0xBE,
    VK_OEM_2 = 0xBF,    // /?
    VK_OEM_3 = 0xC0,    // `~
    VK_OEM_4 = 0xDB,    // [{
    VK_OEM_5 = 0xDC,    // backslash |
    VK_OEM_6 = 0xDD,    // ]}
    VK_OEM_7 = 0xDE,    // '"
    VK_OEM_102 = 0xE2,  // the ISO keyboard's extra key beside the left Shift
    VK_CRSEL = 0xF7,
    VK_EXSEL = 0xF8,
};

// One key: where it sits (SDL's scancode), the virtual-key code Windows gives it (on a US
// keyboard, and for the keypad with Num Lock off) and its set-1 scan code, E0-prefixed when
// extended. 0: none. A key absent from the table has neither.
struct KeyRow {
    SDL_Scancode place;
    uint8_t vk;
    uint8_t scan;
    bool extended;
};

// clang-format off
constexpr KeyRow key_rows[] = {
    {SDL_SCANCODE_A, 'A', 0x1E, false}, {SDL_SCANCODE_B, 'B', 0x30, false},
    {SDL_SCANCODE_C, 'C', 0x2E, false}, {SDL_SCANCODE_D, 'D', 0x20, false},
    {SDL_SCANCODE_E, 'E', 0x12, false}, {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false}, {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_I, 'I', 0x17, false}, {SDL_SCANCODE_J, 'J', 0x24, false},
    {SDL_SCANCODE_K, 'K', 0x25, false}, {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_M, 'M', 0x32, false}, {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_O, 'O', 0x18, false}, {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false}, {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_S, 'S', 0x1F, false}, {SDL_SCANCODE_T, 'T', 0x14, false},
    {SDL_SCANCODE_U, 'U', 0x16, false}, {SDL_SCANCODE_V, 'V', 0x2F, false},
    {SDL_SCANCODE_W, 'W', 0x11, false}, {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_Y, 'Y', 0x15, false}, {SDL_SCANCODE_Z, 'Z', 0x2C, false},
    {SDL_SCANCODE_1, '1', 0x02, false}, {SDL_SCANCODE_2, '2', 0x03, false},
    {SDL_SCANCODE_3, '3', 0x04, false}, {SDL_SCANCODE_4, '4', 0x05, false},
    {SDL_SCANCODE_5, '5', 0x06, false}, {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false}, {SDL_SCANCODE_8, '8', 0x09, false},
    {SDL_SCANCODE_9, '9', 0x0A, false}, {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false},
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false},
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, 0, 0x2B, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56, false},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_F1, VK_F1 + 0, 0x3B, false}, {SDL_SCANCODE_F2, VK_F1 + 1, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F1 + 2, 0x3D, false}, {SDL_SCANCODE_F4, VK_F1 + 3, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F1 + 4, 0x3F, false}, {SDL_SCANCODE_F6, VK_F1 + 5, 0x40, false},
    {SDL_SCANCODE_F7, VK_F1 + 6, 0x41, false}, {SDL_SCANCODE_F8, VK_F1 + 7, 0x42, false},
    {SDL_SCANCODE_F9, VK_F1 + 8, 0x43, false}, {SDL_SCANCODE_F10, VK_F1 + 9, 0x44, false},
    {SDL_SCANCODE_F11, VK_F1 + 10, 0x57, false}, {SDL_SCANCODE_F12, VK_F1 + 11, 0x58, false},
    {SDL_SCANCODE_F13, VK_F13 + 0, 0, false}, {SDL_SCANCODE_F14, VK_F13 + 1, 0, false},
    {SDL_SCANCODE_F15, VK_F13 + 2, 0, false}, {SDL_SCANCODE_F16, VK_F13 + 3, 0, false},
    {SDL_SCANCODE_F17, VK_F13 + 4, 0, false}, {SDL_SCANCODE_F18, VK_F13 + 5, 0, false},
    {SDL_SCANCODE_F19, VK_F13 + 6, 0, false}, {SDL_SCANCODE_F20, VK_F13 + 7, 0, false},
    {SDL_SCANCODE_F21, VK_F13 + 8, 0, false}, {SDL_SCANCODE_F22, VK_F13 + 9, 0, false},
    {SDL_SCANCODE_F23, VK_F13 + 10, 0, false}, {SDL_SCANCODE_F24, VK_F13 + 11, 0, false},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, true},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false},
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, true},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, true},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, true},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, true},
    {SDL_SCANCODE_END, VK_END, 0x4F, true},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, true},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, true},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, true},
    {SDL_SCANCODE_UP, VK_UP, 0x48, true},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, true},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, true},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
    {SDL_SCANCODE_KP_1, VK_END, 0x4F, false}, {SDL_SCANCODE_KP_2, VK_DOWN, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NEXT, 0x51, false}, {SDL_SCANCODE_KP_4, VK_LEFT, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_CLEAR, 0x4C, false}, {SDL_SCANCODE_KP_6, VK_RIGHT, 0x4D, false},
    {SDL_SCANCODE_KP_7, VK_HOME, 0x47, false}, {SDL_SCANCODE_KP_8, VK_UP, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_PRIOR, 0x49, false}, {SDL_SCANCODE_KP_0, VK_INSERT, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DELETE, 0x53, false},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, true},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, true},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, true},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, true},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, true},
    {SDL_SCANCODE_CLEAR, VK_CLEAR, 0, false},
    {SDL_SCANCODE_CANCEL, VK_CANCEL, 0, false},
    {SDL_SCANCODE_SELECT, VK_SELECT, 0, false},
    {SDL_SCANCODE_EXECUTE, VK_EXECUTE, 0, false},
    {SDL_SCANCODE_HELP, VK_HELP, 0, false},
    {SDL_SCANCODE_SEPARATOR, VK_SEPARATOR, 0, false},
    {SDL_SCANCODE_CRSEL, VK_CRSEL, 0, false},
    {SDL_SCANCODE_EXSEL, VK_EXSEL, 0, false},
    {SDL_SCANCODE_SLEEP, VK_SLEEP, 0x5F, true},
    {SDL_SCANCODE_AC_BACK, VK_BROWSER_BACK, 0x6A, true},
    {SDL_SCANCODE_AC_FORWARD, VK_BROWSER_FORWARD, 0x69, true},
    {SDL_SCANCODE_AC_REFRESH, VK_BROWSER_REFRESH, 0x67, true},
    {SDL_SCANCODE_AC_STOP, VK_BROWSER_STOP, 0x68, true},
    {SDL_SCANCODE_AC_SEARCH, VK_BROWSER_SEARCH, 0x65, true},
    {SDL_SCANCODE_AC_BOOKMARKS, VK_BROWSER_FAVORITES, 0x66, true},
    {SDL_SCANCODE_AC_HOME, VK_BROWSER_HOME, 0x32, true},
    {SDL_SCANCODE_WWW, VK_BROWSER_HOME, 0x32, true},
    {SDL_SCANCODE_MUTE, VK_VOLUME_MUTE, 0x20, true},
    {SDL_SCANCODE_AUDIOMUTE, VK_VOLUME_MUTE, 0x20, true},
    {SDL_SCANCODE_VOLUMEDOWN, VK_VOLUME_DOWN, 0x2E, true},
    {SDL_SCANCODE_VOLUMEUP, VK_VOLUME_UP, 0x30, true},
    {SDL_SCANCODE_AUDIONEXT, VK_MEDIA_NEXT_TRACK, 0x19, true},
    {SDL_SCANCODE_AUDIOPREV, VK_MEDIA_PREV_TRACK, 0x10, true},
    {SDL_SCANCODE_AUDIOSTOP, VK_MEDIA_STOP, 0x24, true},
    {SDL_SCANCODE_AUDIOPLAY, VK_MEDIA_PLAY_PAUSE, 0x22, true},
    {SDL_SCANCODE_MAIL, VK_LAUNCH_MAIL, 0x6C, true},
    {SDL_SCANCODE_MEDIASELECT, VK_LAUNCH_MEDIA_SELECT, 0x6D, true},
    {SDL_SCANCODE_COMPUTER, VK_LAUNCH_APP1, 0x6B, true},
    {SDL_SCANCODE_CALCULATOR, VK_LAUNCH_APP2, 0x21, true},
};
// clang-format on

const KeyRow* row_at(SDL_Scancode place) {
    for (const KeyRow& row : key_rows) {
        if (row.place == place) return &row;
    }
    return nullptr;
}

// The keys whose code goes by their place, as Windows' US codes do, when the layout's keycode
// names no letter or digit (virtual_key looks at that first): letters, digits and
// punctuation. Every other key goes by what the layout makes of it (SDL's keycode).
bool printed_key(uint8_t vk) {
    return (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9') || (vk >= VK_OEM_1 && vk <= VK_OEM_3) ||
           (vk >= VK_OEM_4 && vk <= VK_OEM_7) || vk == VK_OEM_102;
}

bool on_keypad(SDL_Scancode place) { return place >= SDL_SCANCODE_KP_DIVIDE && place <= SDL_SCANCODE_KP_PERIOD; }

// The keypad: the table's navigation keys with Num Lock off, the digits and the decimal point on.
uint8_t keypad_key(const KeyRow& row, bool num_lock) {
    if (!num_lock) return row.vk;
    if (row.place >= SDL_SCANCODE_KP_1 && row.place <= SDL_SCANCODE_KP_0)
        return static_cast<uint8_t>(VK_NUMPAD0 + (row.place - SDL_SCANCODE_KP_1 + 1) % 10);
    if (row.place == SDL_SCANCODE_KP_PERIOD) return VK_DECIMAL;
    return row.vk;
}

// The six keys whose keycode SDL makes of their ASCII character rather than of their place.
struct AsciiKey {
    SDL_Keycode key;
    SDL_Scancode place;
};
constexpr AsciiKey ascii_keys[] = {
    {SDLK_RETURN, SDL_SCANCODE_RETURN}, {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE}, {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE},
    {SDLK_TAB, SDL_SCANCODE_TAB},       {SDLK_SPACE, SDL_SCANCODE_SPACE},   {SDLK_DELETE, SDL_SCANCODE_DELETE},
};

// The place of the key that SDL's keycode key names on every layout: the place with a mark,
// or for the six above their character (the marked place is then no name of theirs).
SDL_Scancode place_named_by(SDL_Keycode key) {
    for (const AsciiKey& ascii : ascii_keys) {
        if (key == ascii.key) return ascii.place;
        if (key == static_cast<SDL_Keycode>(SDL_SCANCODE_TO_KEYCODE(ascii.place))) return SDL_SCANCODE_UNKNOWN;
    }
    if ((key & SDLK_SCANCODE_MASK) == 0) return SDL_SCANCODE_UNKNOWN;
    return static_cast<SDL_Scancode>(key & ~SDLK_SCANCODE_MASK);
}

uint8_t named_key(SDL_Keycode key) {
    const KeyRow* row = row_at(place_named_by(key));
    return row != nullptr && !printed_key(row->vk) && !on_keypad(row->place) ? row->vk : 0;
}

uint8_t placed_key(SDL_Scancode place) {
    const KeyRow* row = row_at(place);
    return row != nullptr && printed_key(row->vk) ? row->vk : 0;
}

}  // namespace

uint16_t scan_code(SDL_Scancode place) {
    const KeyRow* row = row_at(place);
    if (row == nullptr) return 0;
    return static_cast<uint16_t>(row->scan | (row->extended ? 0x100 : 0));
}

int32_t control_character(uint8_t vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return vk - 'A' + 1;
    if (shift) {
        // Ctrl+@, Ctrl+^ and Ctrl+_ where Shift makes those characters on a US keyboard.
        if (vk == '2') return 0x00;
        if (vk == '6') return 0x1E;
        if (vk == VK_OEM_MINUS) return 0x1F;
        return -1;
    }
    switch (vk) {
    case VK_BACK: return 0x7F;    // DEL
    case VK_RETURN: return 0x0A;  // line feed
    case VK_ESCAPE: return 0x1B;
    case VK_SPACE: return 0x20;
    case VK_OEM_4: return 0x1B;  // [
    case VK_OEM_5:               // backslash
    case VK_OEM_102:             // the ISO key's backslash
        return 0x1C;
    case VK_OEM_6: return 0x1D;  // ]
    default: return -1;
    }
}

uint8_t virtual_key(SDL_Keycode key, SDL_Scancode place, bool num_lock) {
    if (key >= 'a' && key <= 'z') return static_cast<uint8_t>(key - 'a' + 'A');
    if (key >= '0' && key <= '9') return static_cast<uint8_t>(key);
    const KeyRow* row = row_at(place);
    if (row != nullptr && on_keypad(place)) return keypad_key(*row, num_lock);
    if (uint8_t vk = named_key(key)) return vk;
    return placed_key(place);
}
