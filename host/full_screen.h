// Full screen: the window covers the screen and shows the picture at the largest whole zoom
// that fits, centred on black; Alt+Enter or --fullscreen.
#pragma once

#include "platform/platform.h"

// Window thread, once the window and the surface exist: on, or back to the window's own
// size and place. Nothing changes where the system cannot, or when it already is so.
void set_full_screen(WindowHandle window, bool on);
// Window thread: Alt+Enter.
void toggle_full_screen(WindowHandle window);
// Window thread, each timer step: a present placed by the view before a toggle may have
// landed on the border; the screen is cleared again, and the picture comes back as after
// the toggle. And once the run is over, the window leaves full screen to show its prompt.
void mend_full_screen(WindowHandle window);
