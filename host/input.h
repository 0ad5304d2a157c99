// The input state: keys and buttons held, characters typed, wheel movement. The window
// thread writes it from the window's messages; the program thread reads it.
#pragma once

#include <atomic>
#include <cstdint>

// 1 while the key or mouse button with that virtual-key code is down. Written by the
// window thread, polled byte by byte by the program thread: relaxed atomics, which compile
// to the plain byte moves the polling relies on.
extern std::atomic<uint8_t> key_state[256];

inline uint8_t key_down(int32_t code) {
    return key_state[code & 255].load(std::memory_order_relaxed);
}

// Characters typed, at positions 1 to count; position 0 is never written. Written by the
// window thread only: a character is stored before count is raised to cover it, so a
// reader on the program thread that loads count first finds every position up to it set.
struct CharQueue {
    std::atomic<int32_t> count;
    std::atomic<uint8_t> chars[256];
};
extern CharQueue char_queue;

// Sum of the negated wheel deltas: one notch away from the user subtracts 120. Written by
// the window thread only.
extern std::atomic<int32_t> wheel_total;

// Where the pointer is, in surface pixels: mouse_in is 1 while it is over the client area,
// and mouse_x, mouse_y are then the surface pixel shown under it (x 0..239; y -1..158,
// since window row j shows surface row j - 1 and the top row shows the spare row). When it
// leaves, mouse_in goes to 0 and the last place stays. While a button is held the window
// has the pointer wherever it goes: places outside come clamped to the client area, with
// mouse_in 0. Written by the window thread only.
extern std::atomic<int32_t> mouse_x, mouse_y, mouse_in;

// Either thread: the slot at index mod 256, which is then cleared. The read and the clear
// are one atomic step, so a key-down the window thread records at that moment is either
// returned here or left set, never lost.
uint8_t take_key(int32_t index);
// Either thread: the first set slot, cleared; 0 when no slot from 1 to 255 is set.
int32_t take_any_key();
// Either thread: how many times the key or button with that code went down since the last
// call for its slot (auto-repeat not counted), then 0. One atomic exchange.
uint32_t take_press(int32_t code);
// Either thread: the next typed character not yet taken (1-255, as char_queue stores it),
// or 0 when there is none; each once, in order. Up to 256 wait to be taken; characters typed
// beyond that are dropped here (char_queue still records them).
uint8_t take_char();

// Window thread, for key messages: `code` is wParam taken as a signed 32-bit value (codes
// outside 0..255 change nothing) and `key_data` is lParam, whose bits 16-24 name the
// physical key (scan code and extended-key flag; 0 when the sender gave none).
//
// A key-down sets its slot and remembers it against the physical key, so the key-up clears
// that same slot even when it arrives with another code (Num Lock or the layout changed
// while the key was held). A slot stays set while another physical key that set it is
// still held (both Shift keys, say).
void press_key(int32_t code, intptr_t key_data);
void release_key(int32_t code, intptr_t key_data);
// Window thread, for a typed character (WM_CHAR): appends it to char_queue, where once 255
// are held the newest replaces the 255th, and to what take_char returns.
void queue_char(uint8_t c);
// Window thread, for the end-of-run prompt: how many key and button presses were counted
// since the last call (auto-repeats are none), every slot's count emptied.
uint32_t take_all_presses();
// Window thread, when the keyboard focus goes elsewhere: the key-ups will not come here,
// so every keyboard slot is cleared (the mouse buttons' slots are left to their own
// messages).
void release_all_keys();
// Window thread, when the mouse buttons' releases can no longer reach the window.
void release_buttons();
// Window thread, for a mouse button's down message: sets its slot and counts the press.
void press_button(uint8_t slot);
// Window thread, for a pointer message at window pixel (x, y) of a client area zoom times
// 240 x 160; and when the pointer has left the client area.
void move_pointer(int32_t x, int32_t y, int32_t zoom);
void pointer_left();
// Window thread: 1 while any mouse button slot is set.
bool any_button_down();
