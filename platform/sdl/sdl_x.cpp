// The X side: the window's X facts, fetched once at its creation; what SDL does not do on X
// (the legacy title, the AltGr question, a colour-mapped visual); and the window's events,
// handed to SDL in bounded batches. Window thread only.
//
// SDL 2's X driver looks through the whole of Xlib's event queue at every key release (to
// tell a held key's repeats from real releases; detectable auto-repeat, which SDL turns on,
// does not spare it the look), and each look also reads whatever the X server has sent
// since. Under a flood of input the queue grows as fast as it is read and the work per
// event grows with it: tens of thousands of keys took the window thread minutes. And one
// SDL_PumpEvents takes every event there is, so nothing else ran until the flood was over.
//
// So the events wait in a backlog of our own, read off the connection in O(1) each, and SDL
// gets them a batch at a time: the batch is put back into Xlib's queue (empty by then) and,
// while SDL pumps it, Xcb holds the connection's events (XSetEventQueueOwner), so Xlib
// neither reads more nor lets SDL see more. Each look then covers the batch alone. Between
// batches the window thread serves its timer, its presents and the close requests, which
// are picked out as they come in, however deep the backlog.
//
// A full backlog loses input as a full Win32 queue does, but never a release: the last
// release of each key and button is kept aside and queued once there is room, so no key
// stays down for the program.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <malloc.h>
#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/sdl/sdl_x.h"

// Xlib's internals, for its cache of queue entries alone; last, for its min and max macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace {

constexpr uint32_t backlog_capacity = 65536;  // 12 MB of XEvent at most
constexpr uint32_t batch_size = 256;          // about a millisecond of SDL's work
constexpr uint32_t owed_slots = 256;          // key codes and buttons are 8 bits
// Xlib's queue entries read at once past which its cache of them is given back (a few MB).
constexpr int32_t xlib_cache_kept = 16384;

// libX11-xcb's XSetEventQueueOwner, found at run time: the development files are not needed
// to build, and without the library the backlog stays unused (SDL reads events itself).
using SetEventQueueOwner = void (*)(Display*, int);
constexpr int xlib_owns_events = 0, xcb_owns_events = 1;

struct Owed {
    bool due;
    XEvent release;
};

// Window thread.
struct Intake {
    Display* display;
    Window window;
    Atom wm_protocols, wm_delete_window;
    SetEventQueueOwner set_owner;
    XEvent* backlog;  // a ring of backlog_capacity events, mapped once and never unmapped
    uint32_t head, count;
    uint32_t deepest;  // the most events the ring has held since it last emptied
    uint64_t appended, handed;  // events ever put in the ring, and ever handed to SDL
    // Where the newest exposure of the window and the newest key map state went in the ring
    // (the `appended` count they made; 0: none yet).
    uint64_t last_expose, last_keymap;
    Owed owed_keys[owed_slots], owed_buttons[owed_slots];
    bool owes;
    XWindowNews news;
    XErrorHandler previous_handler;
};
Intake intake;

bool is_input_release(const XEvent& e) { return e.type == KeyRelease || e.type == ButtonRelease; }

// Keeps the newest release of a key or button that found the backlog full.
void owe(const XEvent& e) {
    Owed* slots = e.type == KeyRelease ? intake.owed_keys : intake.owed_buttons;
    Owed& slot = slots[(e.type == KeyRelease ? e.xkey.keycode : e.xbutton.button) % owed_slots];
    slot = Owed{true, e};
    intake.owes = true;
}

void append(const XEvent& e) {
    intake.backlog[(intake.head + intake.count++) % backlog_capacity] = e;
    intake.deepest = SDL_max(intake.deepest, intake.count);
    ++intake.appended;
}

// Releases that were owed go in before anything newer, once the backlog has room for them.
void pay_owed_releases() {
    if (!intake.owes || intake.count + 2 * owed_slots > backlog_capacity) return;
    for (Owed* slots : {intake.owed_keys, intake.owed_buttons}) {
        for (uint32_t i = 0; i < owed_slots; ++i) {
            if (slots[i].due) append(slots[i].release);
            slots[i].due = false;
        }
    }
    intake.owes = false;
}

// Whether an event of a kind of which one waiting is enough is the first waiting; if so, it
// is recorded as waiting (it goes in next).
bool first_waiting(uint64_t* last) {
    if (*last > intake.handed) return false;
    *last = intake.appended + 1;
    return true;
}

void drop(XEvent& e) {
    if (is_input_release(e)) owe(e);
    if (e.type == GenericEvent && e.xcookie.data != nullptr) XFreeEventData(intake.display, &e.xcookie);
}

// One event off the connection: close requests and the window's destruction are news at
// once; the rest waits its turn.
void take(XEvent& e) {
    if (e.type == ClientMessage && e.xclient.window == intake.window &&
        e.xclient.message_type == intake.wm_protocols &&
        static_cast<Atom>(e.xclient.data.l[0]) == intake.wm_delete_window) {
        intake.news.close_requested = true;
        return;
    }
    if (e.type == DestroyNotify && e.xdestroywindow.window == intake.window) {
        intake.news.window_destroyed = true;
        return;
    }
    // The window is drawn whole at each exposure, and SDL reads the whole key map again at
    // each key map state (a round trip each): one of each waiting is enough. Another window
    // mapped and unmapped over ours without pause makes both at every turn.
    if (e.type == Expose && e.xexpose.window == intake.window && !first_waiting(&intake.last_expose)) return;
    if (e.type == KeymapNotify && !first_waiting(&intake.last_keymap)) return;
    // A generic event's data is freed at the next XNextEvent unless claimed: claim it, and
    // hand SDL a copy with the event.
    if (e.type == GenericEvent) XGetEventData(intake.display, &e.xcookie);
    pay_owed_releases();
    if (intake.count == backlog_capacity || intake.owes)
        drop(e);
    else
        append(e);
}

// Errors about the window once it is gone, from SDL's requests or a present that raced its
// destruction by another client, only confirm it; Xlib's own handler would print them and
// exit(). Anything else goes to the handler there was.
int on_x_error(Display* display, XErrorEvent* error) {
    bool window_gone = error->error_code == BadWindow || error->error_code == BadDrawable;
    if (window_gone && (error->resourceid == intake.window || intake.news.window_destroyed)) {
        intake.news.window_destroyed = true;
        return 0;
    }
    return intake.previous_handler != nullptr ? intake.previous_handler(display, error) : 0;
}

// Xlib keeps every entry its event queue ever needed on a free list, for good: one read of
// a flood's backlog by any round trip left hundreds of megabytes there. Given back after.
void free_xlib_queue_cache(Display* d) {
    LockDisplay(d);
    _XQEvent* entry = d->qfree;
    d->qfree = nullptr;
    UnlockDisplay(d);
    while (entry != nullptr) {
        _XQEvent* next = entry->next;
        Xfree(entry);
        entry = next;
    }
    malloc_trim(0);
}

SetEventQueueOwner find_set_event_queue_owner() {
    void* library = dlopen("libX11-xcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    return reinterpret_cast<SetEventQueueOwner>(dlsym(library, "XSetEventQueueOwner"));
}

const char* visual_class_name(int visual_class) {
    switch (visual_class) {
    case StaticGray: return "StaticGray";
    case GrayScale: return "GrayScale";
    case StaticColor: return "StaticColor";
    case PseudoColor: return "PseudoColor";
    case TrueColor: return "TrueColor";
    default: return "DirectColor";
    }
}

}  // namespace

XFacts fetch_x_facts(SDL_Window* sdl) {
    assert_may_call_sdl();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(sdl, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return XFacts{};
    return XFacts{info.info.x11.display, info.info.x11.window, ConnectionNumber(info.info.x11.display), false};
}

// SDL takes the screen's default depth and a visual of it, colour-mapped if that is all
// there is: on a depth-8 PseudoColor display every picture came out one flat colour. A
// 16-bit true-colour visual shows them with fewer shades, as Windows does at that depth.
bool shows_true_colour(const XFacts& x, char* reason, int32_t reason_bytes) {
    XWindowAttributes attributes{};
    if (x.display == nullptr || XGetWindowAttributes(x.display, x.window, &attributes) == 0) return true;
    int visual_class = attributes.visual->c_class;
    if ((visual_class == TrueColor || visual_class == DirectColor) && attributes.depth >= 15) return true;
    std::snprintf(reason, static_cast<size_t>(reason_bytes),
                  "the display %s has no visual for 24-bit pictures (depth %d, %s; 15 bits or more of "
                  "true colour are needed)",
                  DisplayString(x.display), attributes.depth, visual_class_name(visual_class));
    return false;
}

// WM_NAME holds Latin-1 (type STRING) by definition, where SDL writes UTF-8 bytes;
// _NET_WM_NAME keeps SDL's UTF-8. Windows-1252's own characters (0x80-0x9F) have no Latin-1
// byte and show as '?' there.
void set_latin1_name(const XFacts& x, const char* ansi_title) {
    if (x.display == nullptr) return;
    unsigned char latin1[1024];
    int n = 0;
    for (const uint8_t* c = reinterpret_cast<const uint8_t*>(ansi_title); *c != 0 && n < 1024; ++c)
        latin1[n++] = *c >= 0x80 && *c < 0xA0 ? '?' : *c;
    XChangeProperty(x.display, x.window, XA_WM_NAME, XA_STRING, 8, PropModeReplace, latin1, n);
    XFlush(x.display);
}

// A window manager that follows the desktop conventions names its check window on the root
// window; without one (a bare X server) nothing acts on a request for full screen.
bool window_manager_running(const XFacts& x) {
    if (x.display == nullptr) return true;
    Atom check = XInternAtom(x.display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool named = XGetWindowProperty(x.display, DefaultRootWindow(x.display), check, 0, 1, False, XA_WINDOW,
                                          &type, &format, &count, &after, &data) == Success &&
                       type == XA_WINDOW && count == 1;
    if (data != nullptr) XFree(data);
    return named;
}

// The right Alt is AltGr where its key's first symbol is ISO_Level3_Shift or Mode_switch; on
// a US map it is a second Alt.
bool right_alt_is_altgr(const XFacts& x) {
    if (x.display == nullptr) return false;
    XkbDescPtr keyboard = XkbGetMap(x.display, 0, XkbUseCoreKbd);
    if (keyboard == nullptr) return false;
    bool altgr = false;
    if (XkbGetNames(x.display, XkbKeyNamesMask, keyboard) == Success) {
        for (int code = keyboard->min_key_code; keyboard->names != nullptr && keyboard->names->keys != nullptr &&
                                                code <= keyboard->max_key_code;
             ++code) {
            if (std::strncmp(keyboard->names->keys[code].name, "RALT", XkbKeyNameLength) != 0) continue;
            KeySym first = XkbKeycodeToKeysym(x.display, static_cast<KeyCode>(code), 0, 0);
            if (first == XK_ISO_Level3_Shift || first == XK_Mode_switch) altgr = true;
        }
    }
    XkbFreeKeyboard(keyboard, 0, True);
    return altgr;
}

bool start_x_event_batches(const XFacts& x) {
    if (x.display == nullptr) return false;
    intake.display = x.display;
    intake.window = x.window;
    intake.previous_handler = XSetErrorHandler(on_x_error);
    intake.set_owner = find_set_event_queue_owner();
    if (intake.set_owner == nullptr) return false;
    void* ring = mmap(nullptr, sizeof(XEvent) * backlog_capacity, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (ring == MAP_FAILED) {
        intake.set_owner = nullptr;
        return false;
    }
    intake.backlog = static_cast<XEvent*>(ring);
    intake.wm_protocols = XInternAtom(intake.display, "WM_PROTOCOLS", False);
    intake.wm_delete_window = XInternAtom(intake.display, "WM_DELETE_WINDOW", False);
    return true;
}

void take_x_events() {
    if (intake.backlog == nullptr) return;
    Display* d = intake.display;
    int32_t queued = XEventsQueued(d, QueuedAfterFlush);  // sends SDL's requests, reads what has come
    while (XEventsQueued(d, QueuedAlready) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        take(e);
    }
    pay_owed_releases();
    if (queued > xlib_cache_kept) free_xlib_queue_cache(d);
}

bool x_events_waiting() { return intake.count > 0 || intake.owes; }

void pump_x_event_batch() {
    if (intake.backlog == nullptr) {
        SDL_PumpEvents();
        return;
    }
    // Xlib's queue is empty (take_x_events just ran): put the batch back in order.
    uint32_t n = SDL_min(intake.count, batch_size);
    for (uint32_t i = n; i-- > 0;) {
        XEvent& e = intake.backlog[(intake.head + i) % backlog_capacity];
        XPutBackEvent(intake.display, &e);  // copies a claimed event's data
        if (e.type == GenericEvent && e.xcookie.data != nullptr) XFreeEventData(intake.display, &e.xcookie);
    }
    intake.head = (intake.head + n) % backlog_capacity;
    intake.count -= n;
    intake.handed += n;
    intake.set_owner(intake.display, xcb_owns_events);
    SDL_PumpEvents();
    intake.set_owner(intake.display, xlib_owns_events);
    if (intake.count == 0) {
        // Rewound whenever it empties, so that steady input keeps to the ring's first pages;
        // after a flood those it went through go back to the system.
        if (intake.deepest > batch_size) madvise(intake.backlog, sizeof(XEvent) * backlog_capacity, MADV_DONTNEED);
        intake.head = 0;
        intake.deepest = 0;
    }
}

XWindowNews take_x_window_news() {
    XWindowNews news = intake.news;
    intake.news.close_requested = false;
    return news;
}
