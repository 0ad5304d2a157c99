// Everything a program routine may use of the Pictavon host, and the rules that come with
// it. A routine includes this header alone and is built into a program with
// pictavon_add_program (cmake/pictavon_program.cmake).
//
// Two threads run. The window thread is the host's: it owns the window, turns keys, clicks,
// typed characters and the wheel into the input state below, and refreshes the window every
// 10 ms for routines that do not present themselves. The program thread is the routine's:
// it runs program_main and everything program_main calls. No lock is shared between them:
//   - the routine writes the back buffer; the window thread touches it only while it holds
//     the program thread still (stopped wherever it is, mid-frame included) or after
//     program_main has returned;
//   - the window thread writes the input state; the routine only reads it, except through
//     the take_ calls (take_key, take_any_key, take_press, take_char), each of which takes
//     what it returns in one atomic step or a few, with nothing lost to the window thread.
#pragma once

// ---- The entry point ---------------------------------------------------------------------
//
//   uint32_t program_main(void* unused);
//
// The routine defines it; the host starts it on the program thread, with a null argument,
// once the window is shown and cleared to black. It may run for ever: the run then ends
// when the user closes the window, wherever the routine is. It may return: the host then
// shows the back buffer as the routine left it, puts "Terminé. Appuyez sur une
// touche/cliquez pour continuer." in the title bar, and closes the window at the next key
// press or click made once the prompt is up, however short; a key still held from the
// routine (the Escape that ended it, say) does not close it, nor does its release. Its
// result must not be 259 (STILL_ACTIVE): the host takes that for a routine that still
// runs, and never ends the run.
//
//   [[noreturn]] void end_run(int32_t code);
//
// From the routine: ends the run at once, without the prompt: the window closes within
// 10 ms and the program exits with `code`, as after a close. 0 to 255 are kept; any other
// value gives 255, so that no code becomes a success by accident (256 would be 0 to a POSIX
// shell).
//
//   std::atomic<int32_t> manual_refresh;
//
// 0 at start: the host presents the back buffer every 10 ms with a blinking underline cursor
// (surface pixels x 0..6, y 8..9, inverted during every other 500 ms), so a routine that only
// writes pixels is seen. A routine that presents its own frames sets it to 1 before its
// first present, and the host's refresh stops for good.
#include "host/program.h"

// ---- The back buffer ---------------------------------------------------------------------
//
// surface.bits: the pixel array, 161 rows of 720 bytes (surface.height + 1 rows of
// surface.width * 3), bottom-up, 3 bytes per pixel in the order blue, green, red. Surface
// pixel (x, y), x 0..239 from the left, y 0..159 from the top, starts at
// surface.bits + pixel_offset(x, y). The last row of the array is a spare row that present
// shows above surface row 0; surface row 159 is never shown. Clear the whole array
// (surface_array_bytes) to clear the picture. surface.bits is null if the host could not
// make the buffer: check it once before writing.
// clip_rect: origin and exclusive bounds of the drawing primitives, (0, 0, 240, 160).
// present(): shows surface rows 0..158 and the spare row in the window at once.
// The other fields of Surface belong to the host.
#include "surface/back_buffer.h"

// ---- Drawing primitives (program thread) ---------------------------------------------------
//
// blit_sprite(x, y, cx, cy, pixels): a cx x cy block of packed, top-down pixels (a Sprite's
// bits) drawn at (x, y) and clipped to clip_rect; source pixels whose blue byte is
// colour_key (254) are left out. invert_rect(x, y, cx, cy): complements every byte of the
// clipped rectangle; twice restores it.
// fill_rect(x, y, cx, cy, colour), draw_rect(x, y, cx, cy, colour) (the outline, one pixel
// wide) and draw_line(x0, y0, x1, y1, colour) (both ends drawn; at each step along the
// longer axis the pixel nearest the exact line, the lower or righter one at a tie; the same
// pixels either way round): colour is 0xRRGGBB, positions count from clip_rect's origin and
// everything is clipped to it, so any int32_t values are safe.
#include "surface/draw.h"

// ---- Text (program thread) ----------------------------------------------------------------
//
// draw_text(x, y, text, colour): writes the 0-terminated string `text`, bytes of the
// Windows-1252 code page, with the built-in font: 5 x 7 glyphs in 6 x 8 cells, the first
// cell's top-left at (x, y), counted from clip_rect's origin and clipped to it. The font
// draws ASCII 32-126 and à â ç è é ê ë î ï ô ù û ü ÿ œ, their capitals, « » and °; any other
// byte shows as an empty box. Only the glyphs' pixels are written, in colour 0xRRGGBB; the
// background stays as it is. '\n' starts a new line at x, 8 pixels lower. Returns the x
// after the last glyph of the last line (x + 6 per glyph), for writing on from there.
// Costs about 35 pixel tests per byte; nothing is allocated.
#include "surface/text.h"

// ---- Input state (written by the window thread) -----------------------------------------
//
// key_down(code), which reads key_state[code & 255]: 1 while the key or button with that
// virtual-key code is down (VK_LEFT, 'A', '0', VK_ESCAPE, VK_LBUTTON = 1, VK_RBUTTON = 2,
// VK_MBUTTON = 4, ...; the codes are in platform/keys.h). These are states, not
// presses: a key pressed and released between two looks is not seen.
// take_key(code): the slot's state, cleared; take_any_key(): the first slot down from 1 up,
// cleared, or 0. Either thread. These and take_press and take_char below are the only
// writes a routine makes to the state.
// char_queue: the characters typed, in order, at chars[1] to chars[count]; count stops at
// 255, after which each new character replaces chars[255]. Read count first, then chars.
// wheel_total: -120 for each wheel notch away from the user, +120 for each towards.
// take_press(code): how many times the key or button went down since the last call for
// that slot (auto-repeats not counted), then 0: however short a tap, it is seen. Either
// thread; one atomic exchange.
// take_char(): the next typed character not yet taken (1-255, the window's code page,
// Windows-1252), or 0 when none waits; each once, in order. 256 can wait; more typed before
// they are taken are dropped here (char_queue still records them). Either thread; a few
// atomic operations.
// mouse_x, mouse_y, mouse_in: the pointer. mouse_in is 1 while it is over the window's
// client area, and (mouse_x, mouse_y) is then the surface pixel under it, so that
// pixel_offset(mouse_x, mouse_y) is the pixel the user points at: x 0..239, y -1..158,
// since the window's top row shows the spare row (y -1). When the pointer leaves, mouse_in
// goes to 0 and the last place stays. While a button is held the window keeps the pointer
// wherever it goes: places outside come clamped to the window, with mouse_in 0. Three
// separate atomics: a move between two loads can mix two places.
#include "host/input.h"
#include "platform/keys.h"

// ---- Pictures out (program thread) ----------------------------------------------------------
//
// save_picture(path): writes what the window would show, 240 x 160 with the spare row on
// top (surface row 159 not shown, no cursor), as a PNG file; 1 when written, 0 when it could
// not be (no back buffer, no such folder, a full disk). Encoded with stb_image_write.
#include "surface/picture.h"

// ---- Sprites (program thread) ---------------------------------------------------------------
//
// load_sprite(name): a PNG or an uncompressed 24-bit BMP (width a multiple of 4), told apart
// by the file's first bytes, not its name, read from the current directory, as a Sprite at
// (0, 0); null when the file cannot be read, or is a damaged PNG, or a picture whose pixels
// would take over 256 MiB (for a PNG also: a side over 16384). One load at a time.
// A PNG of any kind (grey, palette, 16 bits, interlaced) comes as blue, green, red bytes for
// blit_sprite, its transparency mapped onto the colour key: a pixel of alpha 0 becomes
// (blue 254, green 0, red 0), which blit_sprite leaves out; any other pixel whose blue is
// 254 gets blue 255 instead, so that it is drawn; partial alpha is ignored (the pixel is
// drawn in its colour).
#include "images/bmp.h"

// ---- Frame clock (program thread) ---------------------------------------------------------
//
// start_clock() once, then wait_frame(ms) once per frame: it returns at the end of the
// current period of ms milliseconds, busy-waiting on the high-resolution counter, and sets
// frame_late to 1 while the routine is at least one period behind, when it should skip
// drawing that frame. Every call accounts for exactly one period.
// rest_frame(ms): the same grid, frame_late and one period per call, but it sleeps on a
// high-resolution timer until 1 ms before the period ends and busy-waits only that last
// millisecond, so a routine that draws little leaves the processor mostly idle. The two
// may be mixed; both belong to the program thread. A program started with --rest (or
// PICTAVON_REST=1) gets rest_frame's wait from wait_frame too, the routine unchanged.
#include "clock/clock.h"
