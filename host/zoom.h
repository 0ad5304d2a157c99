// Choosing the window's zoom: the factor the user asked for, or, for auto, the largest that
// the screen has room for.
#pragma once

#include <cstdint>

#include "surface/surface.h"  // PictureView

// The largest zoom up to largest_zoom whose client area (240 x 160 times it) fits within
// three quarters of a usable screen area of cx x cy in both directions; at least 1.
int32_t zoom_to_fit(int32_t usable_cx, int32_t usable_cy);

// Window thread, before the window is created: `asked` (1..largest_zoom) as it is, or for
// zoom_auto the fit to the screen's usable area, 1 when it cannot be measured.
int32_t chosen_zoom(int32_t asked);

// Full screen on a screen of cx x cy: the largest whole zoom (1..largest_screen_zoom) at which
// the picture fits, centred. A screen smaller than the picture gets zoom 1, centred too.
PictureView full_screen_view(int32_t screen_cx, int32_t screen_cy);
