// Full screen: the backend covers the screen, present places the picture by the view, and the
// pointer is read through it too (window_proc), so the routine sees surface pixels as ever.
#include "host/full_screen.h"

#include "host/host.h"
#include "host/zoom.h"
#include "surface/surface.h"

namespace {

bool full_screen_on;  // window thread
int32_t cleared_cx, cleared_cy;  // the client area's size, as last cleared
int32_t run_finished_seen;       // run_finished at the last timer step

// The border round the picture is black; the window's own client area is all picture, but
// clearing it costs nothing either.
void clear_to_black(int32_t cx, int32_t cy) {
    cleared_cx = cx;
    cleared_cy = cy;
    DcHandle window_dc = surface.window_dc.load(std::memory_order_relaxed);
    if (window_dc == nullptr) return;  // closing: nothing is drawn any more
    platform_set_nearest_stretch(window_dc);
    platform_fill_black(window_dc, 0, 0, cx, cy);
    // A routine that presents by itself brings the picture back at its next frame, and the
    // refresh does for the others; once the run is over only this can.
    if (run_finished != 0) present();
}

}  // namespace

void set_full_screen(WindowHandle window, bool on) {
    if (on == full_screen_on) return;
    int32_t cx = 0, cy = 0;
    if (platform_set_full_screen(window, on ? 1 : 0, &cx, &cy) == 0) return;
    full_screen_on = on;
    const PictureView view = on ? full_screen_view(cx, cy) : PictureView{0, 0, 0};
    set_picture_view(view);
    clear_to_black(on ? cx : surface_width * window_zoom, on ? cy : surface_height * window_zoom);
}

void toggle_full_screen(WindowHandle window) { set_full_screen(window, !full_screen_on); }

void mend_full_screen(WindowHandle window) {
    if (misplaced_present.exchange(0, std::memory_order_relaxed) != 0) clear_to_black(cleared_cx, cleared_cy);
    // The end-of-run prompt is the window's title, which full screen hides: the window comes
    // back once to show it (Alt+Enter may take it away again).
    if (run_finished != run_finished_seen) {
        run_finished_seen = run_finished;
        if (run_finished != 0) set_full_screen(window, false);
    }
}
