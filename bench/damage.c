#include "bench/damage.h"

#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <time.h>

double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double next_damage(Display *d, int damage_event, double timeout_ms) {
    double end = now_ms() + timeout_ms;
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == damage_event + XDamageNotify) return now_ms();
        }
        double left = end - now_ms();
        if (left <= 0) return -1;
        struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, (int)left + 1);
    }
}
