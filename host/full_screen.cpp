// Full screen: the backend covers the screen, present places the picture by the view, and the
// pointer is read through it too (window_proc), so the routine sees surface pixels as ever.
#include "host/full_screen.h"

#include "host/host.h"
#include "host/zoom.h"
#include "surface/surface.h"

namespace {

bool full_screen_on;  // window thread

}  // namespace

void set_full_screen(WindowHandle window, bool on) {
    if (on == full_screen_on) return;
    int32_t cx = 0, cy = 0;
    if (platform_set_full_screen(window, on ? 1 : 0, &cx, &cy) == 0) return;
    full_screen_on = on;
    const PictureView view = on ? full_screen_view(cx, cy) : PictureView{0, 0, 0};
    set_picture_view(view);
    DcHandle window_dc = surface.window_dc.load(std::memory_order_relaxed);
    if (window_dc == nullptr) return;  // closing: nothing is drawn any more
    platform_set_nearest_stretch(window_dc);
    // The border round the picture is black; the window's own client area is all picture.
    if (on) platform_fill_black(window_dc, 0, 0, cx, cy);
    // A routine that presents by itself brings the picture back at its next frame, and the
    // refresh does for the others; once the run is over only this can.
    if (run_finished != 0) present();
}

void toggle_full_screen(WindowHandle window) { set_full_screen(window, !full_screen_on); }
