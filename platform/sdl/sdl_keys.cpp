// SDL keys as Win32 virtual-key codes, and text between UTF-8 and Windows-1252. Pure
// functions of their arguments: any thread may call them.
#include <SDL.h>

#include "platform/messages.h"
#include "platform/sdl/sdl_backend.h"

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

// Code points of Windows-1252's bytes 0x80-0x9F; 0 where the code page has no character
// (those five bytes stand for the C1 control of the same number, as Windows maps them).
constexpr uint16_t cp1252_high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

uint32_t code_point_from_ansi(uint8_t c) {
    if (c < 0x80 || c >= 0xA0) return c;  // ASCII, and Latin-1 from 0xA0 on
    return cp1252_high[c - 0x80] != 0 ? cp1252_high[c - 0x80] : c;
}

uint8_t ansi_from_code_point(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<uint8_t>(cp);
    for (uint32_t c = 0x80; c < 0xA0; ++c) {
        if (code_point_from_ansi(static_cast<uint8_t>(c)) == cp) return static_cast<uint8_t>(c);
    }
    return '?';
}

// The keypad: digits with Num Lock on, the navigation keys printed under them otherwise.
uint8_t keypad_key(SDL_Scancode place, bool num_lock) {
    constexpr uint8_t navigation[10] = {VK_INSERT, VK_END,   VK_DOWN, VK_NEXT, VK_LEFT,
                                        VK_CLEAR,  VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};  // KP_0..KP_9
    switch (place) {
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_KP_PERIOD: return num_lock ? VK_DECIMAL : VK_DELETE;
    default: break;
    }
    if (place >= SDL_SCANCODE_KP_1 && place <= SDL_SCANCODE_KP_0) {
        int32_t digit = place == SDL_SCANCODE_KP_0 ? 0 : place - SDL_SCANCODE_KP_1 + 1;
        return num_lock ? static_cast<uint8_t>(VK_NUMPAD0 + digit) : navigation[digit];
    }
    return 0;
}

// The keys of multimedia keyboards, with Windows' codes for them.
uint8_t media_key(SDL_Keycode key) {
    switch (key) {
    case SDLK_CANCEL: return VK_CANCEL;
    case SDLK_SELECT: return VK_SELECT;
    case SDLK_EXECUTE: return VK_EXECUTE;
    case SDLK_HELP: return VK_HELP;
    case SDLK_SLEEP: return VK_SLEEP;
    case SDLK_SEPARATOR: return VK_SEPARATOR;
    case SDLK_AC_BACK: return VK_BROWSER_BACK;
    case SDLK_AC_FORWARD: return VK_BROWSER_FORWARD;
    case SDLK_AC_REFRESH: return VK_BROWSER_REFRESH;
    case SDLK_AC_STOP: return VK_BROWSER_STOP;
    case SDLK_AC_SEARCH: return VK_BROWSER_SEARCH;
    case SDLK_AC_BOOKMARKS: return VK_BROWSER_FAVORITES;
    case SDLK_AC_HOME:
    case SDLK_WWW: return VK_BROWSER_HOME;
    case SDLK_MUTE:
    case SDLK_AUDIOMUTE: return VK_VOLUME_MUTE;
    case SDLK_VOLUMEDOWN: return VK_VOLUME_DOWN;
    case SDLK_VOLUMEUP: return VK_VOLUME_UP;
    case SDLK_AUDIONEXT: return VK_MEDIA_NEXT_TRACK;
    case SDLK_AUDIOPREV: return VK_MEDIA_PREV_TRACK;
    case SDLK_AUDIOSTOP: return VK_MEDIA_STOP;
    case SDLK_AUDIOPLAY: return VK_MEDIA_PLAY_PAUSE;
    case SDLK_MAIL: return VK_LAUNCH_MAIL;
    case SDLK_MEDIASELECT: return VK_LAUNCH_MEDIA_SELECT;
    case SDLK_COMPUTER: return VK_LAUNCH_APP1;
    case SDLK_CALCULATOR: return VK_LAUNCH_APP2;
    case SDLK_CRSEL: return VK_CRSEL;
    case SDLK_EXSEL: return VK_EXSEL;
    default: return 0;
    }
}

// Keys that mean the same on every layout.
uint8_t named_key(SDL_Keycode key) {
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<uint8_t>(VK_F1 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F24) return static_cast<uint8_t>(VK_F13 + (key - SDLK_F13));
    switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_CLEAR: return VK_CLEAR;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    default: return media_key(key);
    }
}

// By the key's place on a US keyboard: letters, digits and the OEM punctuation codes.
uint8_t placed_key(SDL_Scancode place) {
    if (place >= SDL_SCANCODE_A && place <= SDL_SCANCODE_Z)
        return static_cast<uint8_t>('A' + (place - SDL_SCANCODE_A));
    if (place >= SDL_SCANCODE_1 && place <= SDL_SCANCODE_9)
        return static_cast<uint8_t>('1' + (place - SDL_SCANCODE_1));
    switch (place) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
    }
}

// Set-1 scan codes of the keys whose code follows no run of SDL's; 0x100 marks the extended
// (E0-prefixed) ones.
uint16_t other_scan_code(SDL_Scancode place) {
    switch (place) {
    case SDL_SCANCODE_RETURN: return 0x1C;
    case SDL_SCANCODE_ESCAPE: return 0x01;
    case SDL_SCANCODE_BACKSPACE: return 0x0E;
    case SDL_SCANCODE_TAB: return 0x0F;
    case SDL_SCANCODE_SPACE: return 0x39;
    case SDL_SCANCODE_MINUS: return 0x0C;
    case SDL_SCANCODE_EQUALS: return 0x0D;
    case SDL_SCANCODE_LEFTBRACKET: return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET: return 0x1B;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_NONUSHASH: return 0x2B;
    case SDL_SCANCODE_SEMICOLON: return 0x27;
    case SDL_SCANCODE_APOSTROPHE: return 0x28;
    case SDL_SCANCODE_GRAVE: return 0x29;
    case SDL_SCANCODE_COMMA: return 0x33;
    case SDL_SCANCODE_PERIOD: return 0x34;
    case SDL_SCANCODE_SLASH: return 0x35;
    case SDL_SCANCODE_CAPSLOCK: return 0x3A;
    case SDL_SCANCODE_F11: return 0x57;
    case SDL_SCANCODE_F12: return 0x58;
    case SDL_SCANCODE_PRINTSCREEN: return 0x137;
    case SDL_SCANCODE_SCROLLLOCK: return 0x46;
    case SDL_SCANCODE_PAUSE: return 0x45;
    case SDL_SCANCODE_INSERT: return 0x152;
    case SDL_SCANCODE_HOME: return 0x147;
    case SDL_SCANCODE_PAGEUP: return 0x149;
    case SDL_SCANCODE_DELETE: return 0x153;
    case SDL_SCANCODE_END: return 0x14F;
    case SDL_SCANCODE_PAGEDOWN: return 0x151;
    case SDL_SCANCODE_RIGHT: return 0x14D;
    case SDL_SCANCODE_LEFT: return 0x14B;
    case SDL_SCANCODE_DOWN: return 0x150;
    case SDL_SCANCODE_UP: return 0x148;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x145;
    case SDL_SCANCODE_KP_DIVIDE: return 0x135;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x37;
    case SDL_SCANCODE_KP_MINUS: return 0x4A;
    case SDL_SCANCODE_KP_PLUS: return 0x4E;
    case SDL_SCANCODE_KP_ENTER: return 0x11C;
    case SDL_SCANCODE_KP_PERIOD: return 0x53;
    case SDL_SCANCODE_NONUSBACKSLASH: return 0x56;
    case SDL_SCANCODE_APPLICATION: return 0x15D;
    case SDL_SCANCODE_LCTRL: return 0x1D;
    case SDL_SCANCODE_LSHIFT: return 0x2A;
    case SDL_SCANCODE_LALT: return 0x38;
    case SDL_SCANCODE_LGUI: return 0x15B;
    case SDL_SCANCODE_RCTRL: return 0x11D;
    case SDL_SCANCODE_RSHIFT: return 0x36;
    case SDL_SCANCODE_RALT: return 0x138;
    case SDL_SCANCODE_RGUI: return 0x15C;
    case SDL_SCANCODE_MUTE:
    case SDL_SCANCODE_AUDIOMUTE: return 0x120;
    case SDL_SCANCODE_VOLUMEDOWN: return 0x12E;
    case SDL_SCANCODE_VOLUMEUP: return 0x130;
    case SDL_SCANCODE_AUDIONEXT: return 0x119;
    case SDL_SCANCODE_AUDIOPREV: return 0x110;
    case SDL_SCANCODE_AUDIOSTOP: return 0x124;
    case SDL_SCANCODE_AUDIOPLAY: return 0x122;
    case SDL_SCANCODE_MAIL: return 0x16C;
    case SDL_SCANCODE_MEDIASELECT: return 0x16D;
    case SDL_SCANCODE_WWW:
    case SDL_SCANCODE_AC_HOME: return 0x132;
    case SDL_SCANCODE_CALCULATOR: return 0x121;
    case SDL_SCANCODE_COMPUTER: return 0x16B;
    case SDL_SCANCODE_AC_SEARCH: return 0x165;
    case SDL_SCANCODE_AC_BOOKMARKS: return 0x166;
    case SDL_SCANCODE_AC_REFRESH: return 0x167;
    case SDL_SCANCODE_AC_STOP: return 0x168;
    case SDL_SCANCODE_AC_FORWARD: return 0x169;
    case SDL_SCANCODE_AC_BACK: return 0x16A;
    case SDL_SCANCODE_SLEEP: return 0x15F;
    default: return 0;
    }
}

}  // namespace

uint16_t scan_code(SDL_Scancode place) {
    // Letters in SDL's order (A to Z), then the digit row and the keypad's digit keys.
    constexpr uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                     0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                     0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    constexpr uint8_t keypad[10] = {0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49, 0x52};
    if (place >= SDL_SCANCODE_A && place <= SDL_SCANCODE_Z) return letters[place - SDL_SCANCODE_A];
    if (place >= SDL_SCANCODE_1 && place <= SDL_SCANCODE_0) return static_cast<uint16_t>(2 + place - SDL_SCANCODE_1);
    if (place >= SDL_SCANCODE_F1 && place <= SDL_SCANCODE_F10) return static_cast<uint16_t>(0x3B + place - SDL_SCANCODE_F1);
    if (place >= SDL_SCANCODE_KP_1 && place <= SDL_SCANCODE_KP_0) return keypad[place - SDL_SCANCODE_KP_1];
    return other_scan_code(place);
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
    if (uint8_t vk = keypad_key(place, num_lock)) return vk;
    if (uint8_t vk = named_key(key)) return vk;
    return placed_key(place);
}

int32_t next_ansi_char(const char* text, uint8_t* ansi) {
    const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
    uint8_t lead = s[0];
    if (lead == 0) return 0;
    // 0: a stray continuation byte, or a lead byte no valid sequence starts with.
    int32_t length = lead < 0x80   ? 1
                     : lead < 0xC2 ? 0
                     : lead < 0xE0 ? 2
                     : lead < 0xF0 ? 3
                     : lead < 0xF5 ? 4
                                   : 0;
    if (length == 0) {
        *ansi = '?';
        return 1;
    }
    uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int32_t i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) {  // cut short: the next byte starts afresh
            *ansi = '?';
            return i;
        }
        cp = cp << 6 | (s[i] & 0x3F);
    }
    constexpr uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    bool valid = cp >= smallest[length] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    *ansi = valid ? ansi_from_code_point(cp) : '?';
    return length;
}

void ansi_to_utf8(const char* ansi, char* out, int32_t out_bytes) {
    int32_t n = 0;
    for (const uint8_t* s = reinterpret_cast<const uint8_t*>(ansi); *s != 0; ++s) {
        uint32_t cp = code_point_from_ansi(*s);
        char bytes[3];
        int32_t length = 0;
        if (cp < 0x80) {
            bytes[length++] = static_cast<char>(cp);
        } else if (cp < 0x800) {
            bytes[length++] = static_cast<char>(0xC0 | cp >> 6);
            bytes[length++] = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            bytes[length++] = static_cast<char>(0xE0 | cp >> 12);
            bytes[length++] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            bytes[length++] = static_cast<char>(0x80 | (cp & 0x3F));
        }
        if (n + length >= out_bytes) break;
        for (int32_t i = 0; i < length; ++i) out[n++] = bytes[i];
    }
    if (out_bytes > 0) out[n] = 0;
}
