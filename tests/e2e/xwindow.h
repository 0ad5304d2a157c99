/* Finding a top-level window by its title and reading its client area over Xlib: shared
 * by the end-to-end tests' helper (xwin) and the running demo's probes (xprobe, xflood). */
#pragma once

#include <X11/Xlib.h>

/* The window's name: _NET_WM_NAME (UTF-8) where set, else WM_NAME; *length bytes, not
 * terminated. NULL when it has none. The caller frees it with XFree. */
unsigned char *xwindow_name(Display *display, Window window, unsigned long *length);

/* The viewable windows named exactly `title` (UTF-8), depth first from the root: up to
 * `capacity` of them in found[], and how many there are in all. */
int xwindow_find(Display *display, const char *title, Window *found, int capacity);

/* The window's client area as the server holds it, or NULL when the window is not
 * viewable. The caller frees it with XDestroyImage. */
XImage *xwindow_grab(Display *display, Window window);

/* Asks the window to close as a window manager's close box does (WM_DELETE_WINDOW); the
 * caller flushes. */
void xwindow_close(Display *display, Window window);
