// SDL keys as Win32 key codes (sdl_keys.cpp). Pure functions of their arguments: any thread.
#pragma once

#include <SDL_keyboard.h>

#include <cstdint>

// The Win32 virtual-key code of a key: letters and digits by what the layout prints on the
// key (SDL's keycode), falling back on the key's place (scancode) for layouts that print
// neither there. num_lock picks the keypad's digits over its navigation keys. 0: no code.
uint8_t virtual_key(SDL_Keycode key, SDL_Scancode place, bool num_lock);

// The key's Win32 scan code (set 1), with 0x100 for the extended keys: bits 16-24 of a
// key message's lParam. 0 for a key without one.
uint16_t scan_code(SDL_Scancode place);

// The character Win32's TranslateMessage makes of the key with virtual-key code vk pressed
// with Control (and no Alt), on a US keyboard: 1-26 for the letters, ESC, FS and GS for
// [, \ and ], LF for Return, DEL for Backspace... -1 where it makes none.
int32_t control_character(uint8_t vk, bool shift);
