// The window's zoom. Auto leaves a quarter of the screen free both ways, so that the frame,
// a panel and other windows still have room beside the enlarged picture.
#include "host/zoom.h"

#include "host/options.h"
#include "platform/platform.h"
#include "surface/back_buffer.h"

int32_t zoom_to_fit(int32_t usable_cx, int32_t usable_cy) {
    int32_t zoom = largest_zoom;
    // 4 * client <= 3 * usable, in 64 bits: a screen's size times 3 is no concern then.
    while (zoom > 1 && (4 * int64_t{surface_width} * zoom > 3 * int64_t{usable_cx} ||
                        4 * int64_t{surface_height} * zoom > 3 * int64_t{usable_cy}))
        --zoom;
    return zoom;
}

int32_t chosen_zoom(int32_t asked) {
    if (asked != zoom_auto) return asked;
    int32_t cx = 0, cy = 0;
    if (platform_usable_screen_size(&cx, &cy) == 0) return 1;
    return zoom_to_fit(cx, cy);
}

PictureView full_screen_view(int32_t screen_cx, int32_t screen_cy) {
    int32_t zoom = screen_cx / surface_width < screen_cy / surface_height ? screen_cx / surface_width
                                                                        : screen_cy / surface_height;
    zoom = zoom < 1 ? 1 : zoom > largest_screen_zoom ? largest_screen_zoom : zoom;
    return PictureView{zoom, (screen_cx - surface_width * zoom) / 2, (screen_cy - surface_height * zoom) / 2};
}
