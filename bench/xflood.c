/* xflood: floods the running demo with input from the X server's side, as a test tool, a
 * remote-desktop bridge or a stuck device would, and measures what the flood costs:
 *
 *   xflood keys PAIRS -- COMMAND...             PAIRS key press/release pairs (XTEST), at once
 *   xflood clicks RATE SECONDS -- COMMAND...    RATE clicks a second on the window (XTEST)
 *   xflood storm SECONDS -- COMMAND...          another window mapped and unmapped over it
 *
 * It starts COMMAND, finds its window by title, and from the flood's start to the program's
 * exit runs a loop pinned to processor 0 (the one the demo confines itself to) that reports
 * the longest time it was kept off it. The flood itself runs on processor 1. After the flood:
 * the time to the window's next picture (XDamage), the program's memory a second later (XFLOOD_WATCH_S
 * seconds), the longest time without a picture from the flood's start until then, then a close
 * request (WM_DELETE_WINDOW) and the time to its exit and its exit code. Times are
 * CLOCK_MONOTONIC. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "bench/damage.h"
#include "host/window_title.h"
#include "tests/e2e/xwindow.h"

static void pin_to(int processor) {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(processor, &one);
    sched_setaffinity(0, sizeof one, &one);
}

/* ---- The pinned loop ------------------------------------------------------------------- */

static atomic_int probe_stop;
static double probe_longest_ms, probe_share;

static void *probe(void *arg) {
    (void)arg;
    pin_to(0);
    struct timespec cpu0, cpu1;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    double start = now_ms(), last = start, longest = 0;
    while (!atomic_load_explicit(&probe_stop, memory_order_relaxed)) {
        double t = now_ms();
        if (t - last > longest) longest = t - last;
        last = t;
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    probe_longest_ms = longest;
    double used = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    probe_share = used / (last - start);
    return NULL;
}

/* ---- The pictures' watcher ------------------------------------------------------------ */

/* On a connection of its own, so that pictures are seen as they come while the flood is
 * being sent: the longest time without one, from the flood's start to the close request. */
static atomic_int watch_stop;
static double watch_longest_ms;
static long watch_pictures;

static void *watch(void *arg) {
    Display *d = XOpenDisplay(NULL);
    int damage_event, damage_error;
    if (!d || !XDamageQueryExtension(d, &damage_event, &damage_error)) return NULL;
    XDamageCreate(d, *(Window *)arg, XDamageReportRawRectangles);
    XSync(d, False);
    double last = now_ms();
    while (!atomic_load_explicit(&watch_stop, memory_order_relaxed)) {
        double picture = next_damage(d, damage_event, 50);
        double at = picture < 0 ? now_ms() : picture; /* a silence so far counts too */
        if (at - last > watch_longest_ms) watch_longest_ms = at - last;
        if (picture >= 0) {
            last = picture;
            ++watch_pictures;
        }
    }
    XCloseDisplay(d);
    return NULL;
}

/* ---- The floods ------------------------------------------------------------------------ */

static void flood_keys(Display *d, long pairs) {
    KeyCode key = XKeysymToKeycode(d, XK_a);
    for (long i = 0; i < pairs; ++i) {
        XTestFakeKeyEvent(d, key, True, 0);
        XTestFakeKeyEvent(d, key, False, 0);
        if (i % 256 == 255) XFlush(d);
    }
}

static void window_centre(Display *d, Window w, int *x, int *y) {
    XWindowAttributes a;
    Window child;
    XGetWindowAttributes(d, w, &a);
    XTranslateCoordinates(d, w, DefaultRootWindow(d), a.width / 2, a.height / 2, x, y, &child);
}

static void sleep_until_ms(double t) {
    struct timespec at = {(time_t)(t / 1e3), (long)((t - (time_t)(t / 1e3) * 1e3) * 1e6)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, NULL) != 0) {
    }
}

static void flood_clicks(Display *d, Window w, double rate, double seconds) {
    int x, y;
    window_centre(d, w, &x, &y);
    XTestFakeMotionEvent(d, DefaultScreen(d), x, y, 0);
    double start = now_ms();
    long clicks = (long)(rate * seconds);
    for (long i = 0; i < clicks; ++i) {
        sleep_until_ms(start + i * 1e3 / rate);
        XTestFakeButtonEvent(d, 1, True, 0);
        XTestFakeButtonEvent(d, 1, False, 0);
        XFlush(d);
    }
}

static long flood_storm(Display *d, Window w, double seconds) {
    XWindowAttributes a;
    Window child;
    int x, y;
    XGetWindowAttributes(d, w, &a);
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
    XSetWindowAttributes over = {.override_redirect = True, .background_pixel = 0};
    Window cover = XCreateWindow(d, DefaultRootWindow(d), x, y, (unsigned)a.width, (unsigned)a.height, 0,
                                 CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                 &over);
    double end = now_ms() + seconds * 1e3;
    long cycles = 0;
    while (now_ms() < end) {
        XMapWindow(d, cover);
        XUnmapWindow(d, cover);
        if (++cycles % 64 == 0) XFlush(d);
    }
    XDestroyWindow(d, cover);
    return cycles;
}

/* ---- Around the flood ------------------------------------------------------------------ */

static Window wait_window(Display *d, pid_t pid) {
    double end = now_ms() + 10000;
    while (now_ms() < end) {
        Window w = 0;
        if (xwindow_find(d, PICTAVON_WINDOW_TITLE, &w, 1) > 0) return w;
        if (waitpid(pid, NULL, WNOHANG) == pid) break;
        usleep(2000);
    }
    fprintf(stderr, "xflood: no window titled \"%s\"\n", PICTAVON_WINDOW_TITLE);
    exit(1);
}

/* The first damage event that arrives after now; -1 after timeout_ms. */
static double next_picture(Display *d, int damage_event, double timeout_ms) {
    XEvent e;
    while (XPending(d)) XNextEvent(d, &e); /* pictures from before the flood's end */
    return next_damage(d, damage_event, timeout_ms);
}

static void memory_mb(pid_t pid, double *rss, double *peak) {
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *f = fopen(path, "r");
    *rss = *peak = -1;
    if (!f) return;
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, "VmRSS:", 6) == 0) *rss = atof(line + 6) / 1024;
        if (strncmp(line, "VmHWM:", 6) == 0) *peak = atof(line + 6) / 1024;
    }
    fclose(f);
}

/* The exit code, or -1 if the program still ran after timeout_ms (it is then killed). */
static int wait_exit(pid_t pid, double timeout_ms) {
    double end = now_ms() + timeout_ms;
    int status;
    while (now_ms() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        usleep(1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

static int ignore_error(Display *d, XErrorEvent *e) {
    (void)d;
    (void)e;
    return 0;
}

static void usage(void) {
    fprintf(stderr, "usage: xflood keys PAIRS | clicks RATE SECONDS | storm SECONDS -- COMMAND...\n");
    exit(2);
}

int main(int argc, char **argv) {
    int split = 1;
    while (split < argc && strcmp(argv[split], "--") != 0) ++split;
    if (split + 1 >= argc || split < 3) usage();
    const char *mode = argv[1];
    if (strcmp(mode, "clicks") == 0 ? split != 4 : split != 3) usage();
    Display *d = XOpenDisplay(NULL);
    int event, error, major = 2, minor = 2, damage_event, damage_error;
    if (!d || !XTestQueryExtension(d, &event, &error, &major, &minor) ||
        !XDamageQueryExtension(d, &damage_event, &damage_error)) {
        fprintf(stderr, "xflood: no display, or no XTEST or DAMAGE on it\n");
        return 1;
    }
    XSetErrorHandler(ignore_error);
    pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[split + 1], argv + split + 1);
        _exit(127);
    }
    Window w = wait_window(d, pid);
    usleep(1000000); /* running steadily */
    XDamageCreate(d, w, XDamageReportRawRectangles);
    XSetInputFocus(d, w, RevertToPointerRoot, CurrentTime);
    XSync(d, False);

    pin_to(1);
    pthread_t loop, watcher;
    pthread_create(&loop, NULL, probe, NULL);
    pthread_create(&watcher, NULL, watch, &w);
    double start = now_ms();
    if (strcmp(mode, "keys") == 0) {
        flood_keys(d, atol(argv[2]));
        XSync(d, False);
        printf("xflood: %ld key pairs sent in %.0f ms\n", atol(argv[2]), now_ms() - start);
    } else if (strcmp(mode, "clicks") == 0) {
        flood_clicks(d, w, atof(argv[2]), atof(argv[3]));
        XSync(d, False);
        printf("xflood: %.0f clicks a second for %.1f s, sent in %.0f ms\n", atof(argv[2]), atof(argv[3]),
               now_ms() - start);
    } else if (strcmp(mode, "storm") == 0) {
        long cycles = flood_storm(d, w, atof(argv[2]));
        XSync(d, False);
        printf("xflood: %ld map/unmap cycles in %.0f ms\n", cycles, now_ms() - start);
    } else {
        usage();
    }
    double flood_end = now_ms();
    double picture = next_picture(d, damage_event, 60000);
    if (picture < 0)
        printf("xflood: no picture within 60 s of the flood's end\n");
    else
        printf("xflood: first picture %.0f ms after the flood's end\n", picture - flood_end);
    /* The backlog read, whatever is left of it; XFLOOD_WATCH_S longer where it lasts (Wine). */
    const char *watch_s = getenv("XFLOOD_WATCH_S");
    usleep((useconds_t)(1e6 * (watch_s ? atof(watch_s) : 1)));
    double rss, peak;
    memory_mb(pid, &rss, &peak);
    printf("xflood: memory 1 s later %.1f MB (peak %.1f MB)\n", rss, peak);
    atomic_store(&watch_stop, 1);
    pthread_join(watcher, NULL);
    printf("xflood: %ld pictures from the flood's start to the close request, at most %.0f ms apart\n",
           watch_pictures, watch_longest_ms);
    double asked = now_ms();
    xwindow_close(d, w);
    XFlush(d);
    int code = wait_exit(pid, 60000);
    if (code < 0)
        printf("xflood: still running 60 s after the close request (killed)\n");
    else
        printf("xflood: exit %.0f ms after the close request, code %d\n", now_ms() - asked, code);
    atomic_store(&probe_stop, 1);
    pthread_join(loop, NULL);
    printf("xflood: processor 0 loop: kept off it %.1f ms at most, %.0f%% of it\n", probe_longest_ms,
           100 * probe_share);
    return code == 0 ? 0 : 1;
}
