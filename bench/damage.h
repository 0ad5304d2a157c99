/* The X probes' clock and their wait for the window's next picture, seen as an XDamage
 * notification: shared by xprobe and xflood. */
#pragma once

#include <X11/Xlib.h>

/* CLOCK_MONOTONIC in milliseconds. */
double now_ms(void);

/* The arrival time of the next damage event on the connection, or -1 after timeout_ms. */
double next_damage(Display *d, int damage_event, double timeout_ms);
