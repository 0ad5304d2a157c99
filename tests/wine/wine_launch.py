"""Starts a Windows program under Wine for the end-to-end harness: first gives the X
server's ISO key next to the left Shift (keycode 94) the symbols é and €, then becomes the
command after "--".

xdotool types a character that no key carries by rebinding a spare keycode for the moment
of the press; Wine reads the key map again only later, so the key-up reaches the program
as another virtual key (its slot stays down) or the press yields no character. With the
characters on a key of their own from the start, Wine maps that key once, like any other.

    python3 wine_launch.py -- COMMAND...
"""
import ctypes
import ctypes.util
import os
import sys

ISO_KEY = 94  # <LSGT>, "< >" on a US key map; no test presses it for itself


def put_on_iso_key(symbols):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XStringToKeysym.restype = ctypes.c_ulong
    x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
    x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        raise SystemExit("wine_launch: cannot open the display")
    keysyms = (ctypes.c_ulong * len(symbols))(*(x11.XStringToKeysym(s.encode()) for s in symbols))
    x11.XChangeKeyboardMapping(display, ISO_KEY, len(symbols), keysyms, 1)
    x11.XSync(display, 0)
    x11.XCloseDisplay(display)


if __name__ == "__main__":
    if "--" not in sys.argv:
        raise SystemExit(__doc__)
    command = sys.argv[sys.argv.index("--") + 1:]
    put_on_iso_key(["eacute", "EuroSign"])
    os.execvp(command[0], command)
