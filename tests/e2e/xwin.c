/* The X requests the end-to-end harness needs and the stock tools get wrong or make slow:
 *   xwin find TITLE   ids of the viewable windows named exactly TITLE (UTF-8), one a line
 *   xwin title WIN    the window's name, raw UTF-8 bytes
 *   xwin grab WIN     its client area as a binary PPM, byte for byte what the server holds
 *   xwin close WIN    asks it to close, as a window manager's close button does
 * `xdotool windowclose` and `windowkill` break the client's connection instead of asking.
 * Exit status 2 when the window is gone or the display cannot be opened. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/e2e/xwindow.h"

static int on_x_error(Display *display, XErrorEvent *error) {
    char text[256];
    XGetErrorText(display, error->error_code, text, sizeof text);
    fprintf(stderr, "xwin: %s\n", text);
    exit(2);
}

static void find(Display *display, const char *title) {
    Window found[64];
    int count = xwindow_find(display, title, found, 64);
    for (int i = 0; i < count && i < 64; ++i) printf("0x%lx\n", found[i]);
}

static int grab(Display *display, Window window) {
    XImage *image = xwindow_grab(display, window);
    if (image == NULL) {
        fprintf(stderr, "xwin: the window is not viewable\n");
        return 2;
    }
    printf("P6\n%d %d\n255\n", image->width, image->height);
    /* Each channel's mask gives its place; 24-bit visuals have 8 bits a channel. */
    unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    int shifts[3];
    for (int c = 0; c < 3; ++c) {
        shifts[c] = 0;
        while (masks[c] != 0 && !(masks[c] >> shifts[c] & 1)) ++shifts[c];
    }
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            unsigned long pixel = XGetPixel(image, x, y);
            for (int c = 0; c < 3; ++c) putchar((int)((pixel & masks[c]) >> shifts[c]) & 0xFF);
        }
    }
    XDestroyImage(image);
    return 0;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: xwin find TITLE | title WIN | grab WIN | close WIN\n");
        return 1;
    }
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xwin: cannot open display\n");
        return 2;
    }
    XSetErrorHandler(on_x_error);
    const char *command = argv[1];
    Window window = (Window)strtoul(argv[2], NULL, 0);
    if (strcmp(command, "find") == 0) {
        find(display, argv[2]);
    } else if (strcmp(command, "title") == 0) {
        unsigned long length = 0;
        unsigned char *name = xwindow_name(display, window, &length);
        if (name != NULL) {
            fwrite(name, 1, length, stdout);
            XFree(name);
        }
    } else if (strcmp(command, "grab") == 0) {
        if (grab(display, window) != 0) return 2;
    } else if (strcmp(command, "close") == 0) {
        xwindow_close(display, window);
    } else {
        fprintf(stderr, "xwin: unknown command %s\n", command);
        return 1;
    }
    XSync(display, False); /* errors about the window arrive before we say it worked */
    XCloseDisplay(display);
    return fflush(stdout) == 0 ? 0 : 1;
}
