/* xprobe: measures the running demo from the X server's side, as a user sees it, with no
 * change to the program: every picture it puts in its window raises a damage event.
 *
 *   xprobe pacing SECONDS           intervals between successive presents
 *   xprobe latency COUNT            key press (XTEST) to the first picture that changed
 *   xprobe startup -- COMMAND...    process start to the first picture that is not black
 *
 * The window is found by its title, once viewable. Times are CLOCK_MONOTONIC. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "bench/damage.h"
#include "host/window_title.h"
#include "tests/e2e/xwindow.h"

static const char title[] = PICTAVON_WINDOW_TITLE;

static Window wait_window(Display* d, double timeout_ms) {
    double end = now_ms() + timeout_ms;
    while (now_ms() < end) {
        Window w = 0;
        if (xwindow_find(d, title, &w, 1) > 0) return w;
        usleep(1000);
    }
    fprintf(stderr, "xprobe: no window titled \"%s\"\n", title);
    exit(1);
}

/* A window not yet mapped, or already gone, cannot be read: that is no error here. */
static int ignore_error(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

/* The client area's pixels; 0 bytes when the window cannot be read. */
static size_t grab(Display* d, Window w, unsigned char* out, size_t size) {
    XImage* image = xwindow_grab(d, w);
    if (!image) return 0;
    size_t bytes = (size_t)image->bytes_per_line * image->height;
    if (bytes > size) bytes = size;
    memcpy(out, image->data, bytes);
    XDestroyImage(image);
    return bytes;
}

static int by_value(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return (x > y) - (x < y);
}

/* With PICTAVON_SAMPLES=FILE, the samples also go to FILE, one a line in ms, in the order
 * measured: the data bench/plot.py draws. */
static void report(const char* what, double* v, int n) {
    const char* samples_path = getenv("PICTAVON_SAMPLES");
    FILE* samples = samples_path != NULL ? fopen(samples_path, "w") : NULL;
    for (int i = 0; samples != NULL && i < n; ++i) fprintf(samples, "%.3f\n", v[i]);
    if (samples != NULL) fclose(samples);
    if (n == 0) {
        printf("%s: no samples\n", what);
        return;
    }
    qsort(v, (size_t)n, sizeof *v, by_value);
    printf("%s: n=%d median %.2f ms, p99 %.2f ms, max %.2f ms\n", what, n, v[n / 2],
           v[(int)(n * 0.99) < n ? (int)(n * 0.99) : n - 1], v[n - 1]);
}

static int watch(Display* d, Window w) {
    int event, error;
    if (!XDamageQueryExtension(d, &event, &error)) {
        fprintf(stderr, "xprobe: the X server has no DAMAGE extension\n");
        exit(1);
    }
    /* Raw rectangles: an event for every drawing, no reset needed between them. */
    XDamageCreate(d, w, XDamageReportRawRectangles);
    XSync(d, False);
    return event;
}

/* Late presents. The demo hands a picture over on a fixed 20 ms grid of the same clock, so
 * each present's arrival time modulo 20 ms is the grid's phase plus that present's delay.
 * Most presents are prompt: the commonest phase (in a 0.5 ms window, taken round the circle)
 * is the grid's, and every arrival is measured from it, within -1..19 ms. The smallest
 * such offset among its neighbours (+-100 presents, so that any slow drift cancels) stands
 * for a prompt delivery; a present more than 0.5 ms behind it was late. Seen from here the
 * delay has no owner: the program thread drawing late, its hand-off to the window thread
 * and the X server's own wake-up all look the same (bench/handoffs.py times the hand-off
 * alone). starts: the first damage event of each present, in order. */
static int late_presents(const double* starts, int n) {
    if (n == 0) return 0;
    enum { bins = 200, window = 5 }; /* 0.1 ms bins */
    int count[bins] = {0};
    for (int i = 0; i < n; ++i) {
        double phase = fmod(starts[i] - starts[0], 20.0);
        count[(int)(phase * 10) % bins]++;
    }
    int best = 0, best_sum = -1;
    for (int b = 0; b < bins; ++b) {
        int sum = 0;
        for (int k = 0; k < window; ++k) sum += count[(b + k) % bins];
        if (sum > best_sum) best_sum = sum, best = b;
    }
    double grid = (best + window / 2.0) / 10.0;
    double* offset = malloc(sizeof(double) * (size_t)n);
    for (int i = 0; i < n; ++i) {
        offset[i] = remainder(starts[i] - starts[0] - grid, 20.0);
        if (offset[i] < -1.0) offset[i] += 20.0; /* no picture arrives before its hand-off */
    }
    int late = 0;
    for (int i = 0; i < n; ++i) {
        double prompt = offset[i];
        for (int j = i > 100 ? i - 100 : 0; j < n && j <= i + 100; ++j)
            if (offset[j] < prompt) prompt = offset[j];
        if (offset[i] - prompt > 0.5) ++late;
    }
    free(offset);
    return late;
}

static void pacing(Display* d, double seconds) {
    Window w = wait_window(d, 10000);
    int damage_event = watch(d, w);
    int capacity = (int)(seconds * 200) + 16, n = 0;
    double* times = malloc(sizeof(double) * (size_t)capacity);
    double end = now_ms() + seconds * 1000;
    while (n < capacity) {
        double t = next_damage(d, damage_event, end - now_ms());
        if (t < 0) break;
        times[n++] = t;
    }
    double* gaps = malloc(sizeof(double) * (size_t)capacity);
    double* starts = malloc(sizeof(double) * (size_t)capacity);
    int gap_count = 0, undrawn = 0, start_count = n > 0 ? 1 : 0;
    if (n > 0) starts[0] = times[0];
    for (int i = 1; i < n; ++i) {
        double gap = times[i] - times[i - 1];
        if (gap < 2) continue; /* the same present's rectangles */
        gaps[gap_count++] = gap;
        starts[start_count++] = times[i];
        if (gap > 30) undrawn += (int)((gap + 10) / 20) - 1;
    }
    report("present intervals", gaps, gap_count);
    printf("frames left undrawn (gaps of a whole period or more): %d over %.0f s\n", undrawn, seconds);
    printf("late presents (more than 0.5 ms behind the 20 ms grid): %d of %d\n",
           late_presents(starts, start_count), start_count);
}

static void latency(Display* d, int count) {
    Window w = wait_window(d, 10000);
    int damage_event = watch(d, w);
    static unsigned char before[240 * 160 * 4], after[240 * 160 * 4];
    double* samples = malloc(sizeof(double) * (size_t)count);
    int n = 0;
    KeyCode right = XKeysymToKeycode(d, XK_Right);
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    srand(1);
    for (int i = 0; i < count; ++i) {
        usleep(100000 + (unsigned)(rand() % 20000)); /* lands anywhere in a period */
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
        size_t size = grab(d, w, before, sizeof before);
        XTestFakeKeyEvent(d, right, True, CurrentTime);
        XFlush(d);
        double pressed = now_ms();
        for (;;) {
            double t = next_damage(d, damage_event, 500);
            if (t < 0) break;
            if (grab(d, w, after, sizeof after) == size && memcmp(before, after, size) != 0) {
                samples[n++] = t - pressed;
                break;
            }
        }
        XTestFakeKeyEvent(d, right, False, CurrentTime);
        XFlush(d);
    }
    report("key to screen", samples, n);
}

static void startup(Display* d, char** command) {
    double started = now_ms();
    pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    Window w = wait_window(d, 30000);
    static unsigned char picture[240 * 160 * 4];
    double end = now_ms() + 30000;
    for (;;) {
        size_t size = grab(d, w, picture, sizeof picture);
        size_t lit = 0;
        for (size_t i = 0; i < size; ++i) lit += picture[i] != 0;
        if (size > 0 && lit > size / 16) break; /* the floor is up, not a black window */
        if (now_ms() > end) {
            fprintf(stderr, "xprobe: no picture within 30 s\n");
            break;
        }
        usleep(1000);
    }
    printf("start-up to first picture: %.0f ms\n", now_ms() - started);
    kill(child, SIGKILL);
    waitpid(child, NULL, 0);
}

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "xprobe: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_error);
    if (argc == 3 && strcmp(argv[1], "pacing") == 0) {
        pacing(d, atof(argv[2]));
    } else if (argc == 3 && strcmp(argv[1], "latency") == 0) {
        latency(d, atoi(argv[2]));
    } else if (argc >= 4 && strcmp(argv[1], "startup") == 0 && strcmp(argv[2], "--") == 0) {
        startup(d, argv + 3);
    } else {
        fprintf(stderr, "usage: xprobe pacing SECONDS | latency COUNT | startup -- COMMAND...\n");
        return 2;
    }
    return 0;
}
