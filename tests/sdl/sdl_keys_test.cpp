// The SDL backend's pure pieces: key codes and the two text conversions.
#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "platform/sdl/sdl_keys.h"

namespace {

uint8_t vk(SDL_Keycode key, SDL_Scancode place = SDL_SCANCODE_UNKNOWN, bool num_lock = false) {
    return virtual_key(key, place, num_lock);
}

std::string ansi_of(const char* utf8) {
    std::string out;
    uint8_t c = 0;
    for (int32_t n; (n = next_ansi_char(utf8, &c)) > 0; utf8 += n) out += static_cast<char>(c);
    return out;
}

std::string utf8_of(const char* ansi, int32_t room = 256) {
    char out[256];
    ansi_to_utf8(ansi, out, room);
    return out;
}

TEST(VirtualKey, LettersAndDigitsFollowTheLayoutThenThePlace) {
    EXPECT_EQ(vk(SDLK_a, SDL_SCANCODE_A), 65);
    EXPECT_EQ(vk(SDLK_z, SDL_SCANCODE_Z), 90);
    EXPECT_EQ(vk(SDLK_a, SDL_SCANCODE_Q), 65);  // AZERTY: the A sits where US has Q
    EXPECT_EQ(vk(SDLK_0, SDL_SCANCODE_0), 48);
    EXPECT_EQ(vk(SDLK_9, SDL_SCANCODE_9), 57);
    // AZERTY's top row prints & and é without Shift: still the digits 1 and 2, as on Windows.
    EXPECT_EQ(vk(SDLK_AMPERSAND, SDL_SCANCODE_1), 49);
    EXPECT_EQ(vk(0xE9, SDL_SCANCODE_2), 50);
    // A Cyrillic layout's letters fall back on their place.
    EXPECT_EQ(vk(0x0444, SDL_SCANCODE_A), 65);
}

TEST(VirtualKey, NamedKeys) {
    EXPECT_EQ(vk(SDLK_LEFT), 37);
    EXPECT_EQ(vk(SDLK_UP), 38);
    EXPECT_EQ(vk(SDLK_RIGHT), 39);
    EXPECT_EQ(vk(SDLK_DOWN), 40);
    EXPECT_EQ(vk(SDLK_SPACE), 32);
    EXPECT_EQ(vk(SDLK_RETURN), 13);
    EXPECT_EQ(vk(SDLK_ESCAPE), 27);
    EXPECT_EQ(vk(SDLK_BACKSPACE), 8);
    EXPECT_EQ(vk(SDLK_TAB), 9);
    EXPECT_EQ(vk(SDLK_RSHIFT), 16);
    EXPECT_EQ(vk(SDLK_RCTRL), 17);
    EXPECT_EQ(vk(SDLK_RALT), 18);
    EXPECT_EQ(vk(SDLK_F1), 112);
    EXPECT_EQ(vk(SDLK_F10), 121);
    EXPECT_EQ(vk(SDLK_F12), 123);
    EXPECT_EQ(vk(SDLK_HOME), 36);
    EXPECT_EQ(vk(SDLK_END), 35);
    EXPECT_EQ(vk(SDLK_PAGEUP), 33);
    EXPECT_EQ(vk(SDLK_PAGEDOWN), 34);
    EXPECT_EQ(vk(SDLK_INSERT), 45);
    EXPECT_EQ(vk(SDLK_DELETE), 46);
    EXPECT_EQ(vk(SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON), 186);
    EXPECT_EQ(vk(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), 0);
}

TEST(VirtualKey, KeypadDependsOnNumLock) {
    EXPECT_EQ(vk(SDLK_KP_0, SDL_SCANCODE_KP_0, true), 96);
    EXPECT_EQ(vk(SDLK_KP_7, SDL_SCANCODE_KP_7, true), 103);
    EXPECT_EQ(vk(SDLK_KP_9, SDL_SCANCODE_KP_9, true), 105);
    EXPECT_EQ(vk(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, true), 110);
    EXPECT_EQ(vk(SDLK_KP_7, SDL_SCANCODE_KP_7, false), 36);  // Home
    EXPECT_EQ(vk(SDLK_KP_2, SDL_SCANCODE_KP_2, false), 40);  // Down
    EXPECT_EQ(vk(SDLK_KP_5, SDL_SCANCODE_KP_5, false), 12);  // Clear
    EXPECT_EQ(vk(SDLK_KP_0, SDL_SCANCODE_KP_0, false), 45);  // Insert
    EXPECT_EQ(vk(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, false), 46);
    EXPECT_EQ(vk(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), 13);
    EXPECT_EQ(vk(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS), 107);
    EXPECT_EQ(vk(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE), 111);
}

TEST(VirtualKey, MultimediaKeysHaveWindowsCodes) {
    EXPECT_EQ(vk(SDLK_AUDIOMUTE), 173);
    EXPECT_EQ(vk(SDLK_VOLUMEDOWN), 174);
    EXPECT_EQ(vk(SDLK_VOLUMEUP), 175);
    EXPECT_EQ(vk(SDLK_AUDIONEXT), 176);
    EXPECT_EQ(vk(SDLK_AUDIOPREV), 177);
    EXPECT_EQ(vk(SDLK_AUDIOSTOP), 178);
    EXPECT_EQ(vk(SDLK_AUDIOPLAY), 179);
    EXPECT_EQ(vk(SDLK_MAIL), 180);
    EXPECT_EQ(vk(SDLK_AC_BACK), 166);
    EXPECT_EQ(vk(SDLK_AC_BOOKMARKS), 171);
    EXPECT_EQ(vk(SDLK_WWW), 172);
    EXPECT_EQ(vk(SDLK_COMPUTER), 182);
    EXPECT_EQ(vk(SDLK_CALCULATOR), 183);
}

TEST(ScanCode, SetOneCodesWithTheExtendedFlag) {
    EXPECT_EQ(scan_code(SDL_SCANCODE_ESCAPE), 0x01);
    EXPECT_EQ(scan_code(SDL_SCANCODE_1), 0x02);
    EXPECT_EQ(scan_code(SDL_SCANCODE_0), 0x0B);
    EXPECT_EQ(scan_code(SDL_SCANCODE_Q), 0x10);
    EXPECT_EQ(scan_code(SDL_SCANCODE_A), 0x1E);
    EXPECT_EQ(scan_code(SDL_SCANCODE_Z), 0x2C);
    EXPECT_EQ(scan_code(SDL_SCANCODE_M), 0x32);
    EXPECT_EQ(scan_code(SDL_SCANCODE_F1), 0x3B);
    EXPECT_EQ(scan_code(SDL_SCANCODE_F10), 0x44);
    EXPECT_EQ(scan_code(SDL_SCANCODE_F12), 0x58);
    // The keypad's 4 and the Left arrow share a code; only the arrow is extended.
    EXPECT_EQ(scan_code(SDL_SCANCODE_KP_4), 0x4B);
    EXPECT_EQ(scan_code(SDL_SCANCODE_LEFT), 0x14B);
    EXPECT_EQ(scan_code(SDL_SCANCODE_KP_0), 0x52);
    EXPECT_EQ(scan_code(SDL_SCANCODE_KP_ENTER), 0x11C);
    EXPECT_EQ(scan_code(SDL_SCANCODE_RETURN), 0x1C);
    EXPECT_EQ(scan_code(SDL_SCANCODE_RALT), 0x138);
    EXPECT_EQ(scan_code(SDL_SCANCODE_LALT), 0x38);
    EXPECT_EQ(scan_code(SDL_SCANCODE_VOLUMEUP), 0x130);
    EXPECT_EQ(scan_code(SDL_SCANCODE_UNKNOWN), 0);
}

TEST(ControlCharacter, WhatControlMakesOfEachKey) {
    EXPECT_EQ(control_character('A', false), 1);
    EXPECT_EQ(control_character('Z', true), 26);  // Shift changes nothing for the letters
    EXPECT_EQ(control_character(219, false), 0x1B);  // [
    EXPECT_EQ(control_character(220, false), 0x1C);  // backslash
    EXPECT_EQ(control_character(221, false), 0x1D);  // ]
    EXPECT_EQ(control_character(13, false), 0x0A);
    EXPECT_EQ(control_character(8, false), 0x7F);
    EXPECT_EQ(control_character(27, false), 0x1B);
    EXPECT_EQ(control_character(32, false), 0x20);
    EXPECT_EQ(control_character('2', true), 0x00);
    EXPECT_EQ(control_character('6', true), 0x1E);
    EXPECT_EQ(control_character(189, true), 0x1F);
    // None: digits, Tab, and the keys above once Shift is down too.
    EXPECT_EQ(control_character('1', false), -1);
    EXPECT_EQ(control_character('2', false), -1);
    EXPECT_EQ(control_character(9, false), -1);
    EXPECT_EQ(control_character(219, true), -1);
    EXPECT_EQ(control_character(8, true), -1);
    EXPECT_EQ(control_character(13, true), -1);
}

TEST(AnsiText, Utf8BecomesWindows1252OrQuestionMarks) {
    EXPECT_EQ(ansi_of("az AZ 09~"), "az AZ 09~");
    EXPECT_EQ(ansi_of("\xC3\xA9"), "\xE9");                  // é
    EXPECT_EQ(ansi_of("\xC3\xBF\xC2\xA0"), "\xFF\xA0");      // ÿ, no-break space
    EXPECT_EQ(ansi_of("\xE2\x82\xAC\xC5\x93"), "\x80\x9C");  // €, œ: the 0x80-0x9F block
    EXPECT_EQ(ansi_of("\xC5\x82"), "?");                     // ł has no byte
    EXPECT_EQ(ansi_of("\xF0\x9F\x98\x80"), "?");             // one character, one '?'
    EXPECT_EQ(ansi_of("\xC2\x80"), "?");                     // U+0080: 0x80 is the euro
    EXPECT_EQ(ansi_of("\xC2\x81"), "\x81");                  // a C1 code the page leaves free
}

TEST(AnsiText, MalformedUtf8CostsOneQuestionMarkPerBadStart) {
    EXPECT_EQ(ansi_of("\x80\x61"), "?a");         // stray continuation byte
    EXPECT_EQ(ansi_of("\xC3\x61"), "?a");         // cut short
    EXPECT_EQ(ansi_of("\xC0\xAF"), "??");         // overlong lead, then a stray
    EXPECT_EQ(ansi_of("\xED\xA0\x80"), "?");      // a surrogate
    EXPECT_EQ(ansi_of("\xF4\x90\x80\x80"), "?");  // past U+10FFFF
    EXPECT_EQ(ansi_of("\xE2\x82"), "?");          // cut at the terminator
}

TEST(AnsiText, Windows1252BecomesUtf8) {
    EXPECT_EQ(utf8_of("Termin\xE9. Appuyez sur une touche/cliquez pour continuer."),
              "Termin\xC3\xA9. Appuyez sur une touche/cliquez pour continuer.");
    EXPECT_EQ(utf8_of("\x80\x9F\x81"), "\xE2\x82\xAC\xC5\xB8\xC2\x81");
    // Cut at a character boundary, never inside one, and always terminated.
    EXPECT_EQ(utf8_of("ab\xE9", 4), "ab");
    EXPECT_EQ(utf8_of("ab\xE9", 5), "ab\xC3\xA9");
    EXPECT_EQ(utf8_of("abc", 1), "");
}

}  // namespace
