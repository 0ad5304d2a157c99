/* Finding a window by its title and reading its client area over Xlib. */
#include "tests/e2e/xwindow.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <string.h>

unsigned char *xwindow_name(Display *display, Window window, unsigned long *length) {
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom names[2] = {XInternAtom(display, "_NET_WM_NAME", False), XA_WM_NAME};
    for (int i = 0; i < 2; ++i) {
        Atom type;
        int format;
        unsigned long after;
        unsigned char *value = NULL;
        if (XGetWindowProperty(display, window, names[i], 0, 4096, False, i == 0 ? utf8 : AnyPropertyType,
                               &type, &format, length, &after, &value) == Success && value != NULL) {
            if (type != None && format == 8) return value;
            XFree(value);
        }
    }
    *length = 0;
    return NULL;
}

static int is_viewable(Display *display, Window window) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

static void find_below(Display *display, Window window, const char *title, Window *found, int capacity,
                       int *count) {
    unsigned long length = 0;
    unsigned char *name = xwindow_name(display, window, &length);
    if (name != NULL && length == strlen(title) && memcmp(name, title, length) == 0 &&
        is_viewable(display, window)) {
        if (*count < capacity) found[*count] = window;
        ++*count;
    }
    if (name != NULL) XFree(name);
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &n)) return;
    for (unsigned int i = 0; i < n; ++i) find_below(display, children[i], title, found, capacity, count);
    if (children != NULL) XFree(children);
}

int xwindow_find(Display *display, const char *title, Window *found, int capacity) {
    int count = 0;
    find_below(display, DefaultRootWindow(display), title, found, capacity, &count);
    return count;
}

XImage *xwindow_grab(Display *display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return NULL;
    return XGetImage(display, window, 0, 0, (unsigned)attributes.width, (unsigned)attributes.height, AllPlanes,
                     ZPixmap);
}

void xwindow_close(Display *display, Window window) {
    XEvent event;
    memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
}
