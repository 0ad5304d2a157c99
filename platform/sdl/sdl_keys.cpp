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
    default: return 0;
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

}  // namespace

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
