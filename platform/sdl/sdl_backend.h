// What the SDL backend's files share, and the few pure pieces its own tests reach into.
#pragma once

#include <atomic>
#include <cstdint>

#include <SDL_keyboard.h>

// ---- Keys and text (sdl_keys.cpp) ---------------------------------------------------------

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

// Decodes one UTF-8 character from text (up to its 0 terminator) into its Windows-1252 byte,
// '?' where there is none (or for a malformed sequence). Returns the bytes consumed (>= 1),
// or 0 at the terminator.
int32_t next_ansi_char(const char* text, uint8_t* ansi);

// Writes ansi (Windows-1252, 0-terminated) as UTF-8 into out, which holds out_bytes bytes;
// the result is cut at a character boundary and always terminated.
void ansi_to_utf8(const char* ansi, char* out, int32_t out_bytes);

// ---- Showing pictures (sdl_platform.cpp) --------------------------------------------------

// The newest picture the window thread has put on the X server, for measurements: its
// sequence number (that of the present that made it) and the counter when the server had
// it. Written by the window thread, read by anyone.
struct ShowRecord {
    std::atomic<uint32_t> seq;
    std::atomic<int64_t> shown_counter;
};
extern ShowRecord last_show;
// The sequence number of the newest present, from either thread.
extern std::atomic<uint32_t> present_seq;

// ---- The display (sdl_display.cpp), window thread ---------------------------------------

// Starts SDL's video. Unless SDL_VIDEODRIVER names a driver, only drivers that show a
// window are tried, never the offscreen or dummy ones. False, with the reason printed,
// when none starts.
bool start_video();
// On X: a lost connection prints one line and ends the process with _exit(1).
void end_process_when_display_lost();
// Prints "PROGRAM: cannot open a window: REASON; SDL: SDL_ERROR" (SDL's part if any).
void report_window_failure(const char* reason, const char* sdl_error);

// ---- The window thread's priority (sdl_priority.cpp) --------------------------------------

enum class WindowPriority { unchanged, nice_raised, short_slice };

// Window thread, once, before it starts the program thread: raises its own priority above
// the process's (a lower nice value with the privilege for it, else the shortest scheduler
// slice where the kernel has one, else nothing), silently. Returns what it did.
WindowPriority raise_window_thread_priority();
// Program thread, first thing: back to the process's own priority, which it inherited
// raised from the window thread that created it.
void keep_program_thread_priority();
