// SDL keys as Win32 virtual-key codes, and text between UTF-8 and Windows-1252.
#include <SDL.h>

#include "platform/sdl/sdl_backend.h"

namespace {

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
    constexpr uint8_t navigation[10] = {45, 35, 40, 34, 37, 12, 39, 36, 38, 33};  // KP_0..KP_9
    switch (place) {
    case SDL_SCANCODE_KP_DIVIDE: return 111;
    case SDL_SCANCODE_KP_MULTIPLY: return 106;
    case SDL_SCANCODE_KP_MINUS: return 109;
    case SDL_SCANCODE_KP_PLUS: return 107;
    case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_KP_PERIOD: return num_lock ? 110 : 46;
    default: break;
    }
    if (place >= SDL_SCANCODE_KP_1 && place <= SDL_SCANCODE_KP_0) {
        int32_t digit = place == SDL_SCANCODE_KP_0 ? 0 : place - SDL_SCANCODE_KP_1 + 1;
        return num_lock ? static_cast<uint8_t>(96 + digit) : navigation[digit];
    }
    return 0;
}

// The keys of multimedia keyboards, with Windows' codes for them.
uint8_t media_key(SDL_Keycode key) {
    switch (key) {
    case SDLK_CANCEL: return 3;
    case SDLK_SELECT: return 41;
    case SDLK_EXECUTE: return 43;
    case SDLK_HELP: return 47;
    case SDLK_SLEEP: return 95;
    case SDLK_SEPARATOR: return 108;
    case SDLK_AC_BACK: return 166;
    case SDLK_AC_FORWARD: return 167;
    case SDLK_AC_REFRESH: return 168;
    case SDLK_AC_STOP: return 169;
    case SDLK_AC_SEARCH: return 170;
    case SDLK_AC_BOOKMARKS: return 171;
    case SDLK_AC_HOME:
    case SDLK_WWW: return 172;
    case SDLK_MUTE:
    case SDLK_AUDIOMUTE: return 173;
    case SDLK_VOLUMEDOWN: return 174;
    case SDLK_VOLUMEUP: return 175;
    case SDLK_AUDIONEXT: return 176;
    case SDLK_AUDIOPREV: return 177;
    case SDLK_AUDIOSTOP: return 178;
    case SDLK_AUDIOPLAY: return 179;
    case SDLK_MAIL: return 180;
    case SDLK_MEDIASELECT: return 181;
    case SDLK_COMPUTER: return 182;
    case SDLK_CALCULATOR: return 183;
    case SDLK_CRSEL: return 247;
    case SDLK_EXSEL: return 248;
    default: return 0;
    }
}

// Keys that mean the same on every layout.
uint8_t named_key(SDL_Keycode key) {
    if (key >= SDLK_F1 && key <= SDLK_F12) return static_cast<uint8_t>(112 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F24) return static_cast<uint8_t>(124 + (key - SDLK_F13));
    switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_CLEAR: return 12;
    case SDLK_RETURN: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 17;
    case SDLK_LALT:
    case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_PRINTSCREEN: return 44;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_LGUI: return 91;
    case SDLK_RGUI: return 92;
    case SDLK_APPLICATION: return 93;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
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
    case SDL_SCANCODE_SEMICOLON: return 186;
    case SDL_SCANCODE_EQUALS: return 187;
    case SDL_SCANCODE_COMMA: return 188;
    case SDL_SCANCODE_MINUS: return 189;
    case SDL_SCANCODE_PERIOD: return 190;
    case SDL_SCANCODE_SLASH: return 191;
    case SDL_SCANCODE_GRAVE: return 192;
    case SDL_SCANCODE_LEFTBRACKET: return 219;
    case SDL_SCANCODE_BACKSLASH: return 220;
    case SDL_SCANCODE_RIGHTBRACKET: return 221;
    case SDL_SCANCODE_APOSTROPHE: return 222;
    case SDL_SCANCODE_NONUSBACKSLASH: return 226;
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
        if (vk == 189) return 0x1F;  // VK_OEM_MINUS
        return -1;
    }
    switch (vk) {
    case 8: return 0x7F;    // Backspace: DEL
    case 13: return 0x0A;   // Return: line feed
    case 27: return 0x1B;   // Escape
    case 32: return 0x20;   // Space
    case 219: return 0x1B;  // VK_OEM_4, [
    case 220:               // VK_OEM_5, backslash
    case 226: return 0x1C;  // VK_OEM_102, the ISO key's backslash
    case 221: return 0x1D;  // VK_OEM_6, ]
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
