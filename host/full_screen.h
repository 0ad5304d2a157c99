// Full screen: the window covers the screen and shows the picture at the largest whole zoom
// that fits, centred on black; Alt+Enter or --fullscreen.
#pragma once

#include "platform/platform.h"

// Window thread, once the window and the surface exist: on, or back to the window's own
// size and place. Nothing changes where the system cannot, or when it already is so.
void set_full_screen(WindowHandle window, bool on);
// Window thread: Alt+Enter.
void toggle_full_screen(WindowHandle window);
