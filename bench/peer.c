/* peer: what a small framebuffer library's program does, for pacing comparisons with the
 * demo: a plain Xlib window with the demo's title (so xprobe finds it), a moving 240 x 160
 * picture put every 20 ms, sleeping until 1 ms before each deadline and yielding the rest.
 *
 *   peer [SECONDS]    runs that long (default: until killed) */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sched.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "host/window_title.h"

enum { width = 240, height = 160, period_ns = 20000000, busy_ns = 1000000 };

static int64_t now_ns(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000000000 + t.tv_nsec;
}

static void sleep_until(int64_t deadline) {
    struct timespec t = {(time_t)(deadline / 1000000000), (long)(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, NULL) != 0) {
    }
}

/* Diagonal stripes that move a pixel a frame: every picture differs from the last. */
static void draw(uint32_t *pixels, int frame) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels[y * width + x] = ((x + y + frame) & 16) ? 0x3060C0 : 0xE0E0E0;
}

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 0;
    Display *d = XOpenDisplay(NULL);
    if (d == NULL) {
        fprintf(stderr, "peer: cannot open the display\n");
        return 1;
    }
    int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, width, height, 0, 0, 0);
    Xutf8SetWMProperties(d, w, PICTAVON_WINDOW_TITLE, NULL, NULL, 0, NULL, NULL, NULL);
    XMapWindow(d, w);
    GC gc = XCreateGC(d, w, 0, NULL);
    uint32_t *pixels = malloc(sizeof(uint32_t) * width * height);
    XImage *image = XCreateImage(d, DefaultVisual(d, screen), 24, ZPixmap, 0, (char *)pixels, width, height, 32, 0);
    if (pixels == NULL || image == NULL) {
        fprintf(stderr, "peer: cannot make the picture\n");
        return 1;
    }
    int64_t deadline = now_ns(), end = seconds > 0 ? deadline + (int64_t)(seconds * 1e9) : INT64_MAX;
    for (int frame = 0; deadline < end; ++frame) {
        draw(pixels, frame);
        XPutImage(d, w, gc, image, 0, 0, 0, 0, width, height);
        XSync(d, False);
        deadline += period_ns;
        if (deadline - now_ns() > busy_ns) sleep_until(deadline - busy_ns);
        while (now_ns() < deadline) sched_yield();
    }
    return 0;
}
