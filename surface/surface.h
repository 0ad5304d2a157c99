// Making the back buffer: the window's device contexts, the DIB section behind the pixel
// array, and the clip region. The window thread does it once, before the program starts.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "surface/back_buffer.h"

extern BitmapInfoHeader bitmap_header;  // filled by create_dib

// How many window pixels across and down show one surface pixel: the client area is
// 240 x 160 times it. 1 by default. Written by the window thread once, before the window is
// created; read-only afterwards (the program thread starts later).
extern int32_t window_zoom;

// Where present puts the picture in the window's client area, and how large: window pixel
// (x + i * zoom, y + j * zoom) is the top-left of the block that shows window-picture pixel
// (i, j). The window's own is {window_zoom, 0, 0}; full screen sets another (centred, at the
// screen's zoom). The window thread sets it; present reads it on either thread, as one
// atomic word, so a picture is never placed by half of one view and half of another.
struct PictureView {
    int32_t zoom, x, y;
};
PictureView picture_view();
// Window thread. zoom 0: back to the window's own.
void set_picture_view(PictureView view);
// Set by a present that may have placed its picture by a view that changed meanwhile: the
// window thread then clears the window (full_screen.cpp), since that picture may lie on what
// is now the border.
extern std::atomic<int32_t> misplaced_present;

// Window thread, once, after `window` exists and before the program thread starts: the
// back buffer that present copies into that window, enlarged window_zoom times.
void init_surface(WindowHandle window);
// Tools, benchmarks and tests: the back buffer in static memory with no window behind it,
// every byte 0 and the ClipRect the whole surface. present shows nothing.
void init_windowless_surface();
// init_surface: a bottom-up DIB of cx x (cy + 1) pixels selected into dc. Violated
// preconditions and failures show assertion boxes ("Erreur: ...") and execution goes on.
void create_dib(DcHandle dc, int32_t cx, int32_t cy, int32_t ibitcount, BitmapHandle* hbm,
                uint8_t** bits);
// init_surface: sets clip_rect and selects a matching clip region into memory_dc.
void set_clip(int32_t left, int32_t top, int32_t right, int32_t bottom);
// Tools and tests, any thread that owns the pixels: window row j (0..159) of the picture
// present shows, as 240 RGB triples (a capture's byte order). Window row j is pixel-array
// row 160 - j: the spare row on top, then surface rows 0..158.
void window_row_rgb(int32_t j, uint8_t* rgb);
