// The seam between the portable runtime and the operating system: every OS service the
// host, the surface and the clock use, and nothing else.
//
// One backend implements it and is picked at link time: platform/win32 (the real Windows
// program); platform/sdl with platform/linux (Linux on an X server: SDL2 for the window and
// its events, and Xlib itself where SDL falls short: XKB for AltGr, WM_NAME for titles in the
// window's code page, the X connection's file descriptor to wait on and its event queue to
// batch, the I/O error handler for a server that goes away); platform/scripted (unit tests) and platform/null (tools and
// benchmarks: clocks only).
// The portable code never includes an OS header; it speaks Win32's message numbers and
// virtual-key codes (messages.h), so window_proc is one piece of code on every platform.
//
// "Window thread" is the process's first thread (host_main, the message loop, window_proc);
// "program thread" is the one that runs program_main. Who may call what:
//
//   window thread    everything under Window, Messages, The program thread and Drawing,
//                    except the two copies below
//   program thread   platform_sleep_until, platform_open_regular_file
//   either thread    Time's clocks; platform_copy_to_window and platform_stretch_to_window
//                    (present), with the rules their comments give
//
// A backend may rely on this (the SDL one checks it in debug builds).
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/handles.h"

// Win32's window-procedure shape: (window, message, wParam, lParam) -> result.
using WindowProc = intptr_t (*)(WindowHandle, uint32_t, uintptr_t, intptr_t);
// A thread routine: takes the start argument, returns the thread's exit code.
using ThreadRoutine = uint32_t (*)(void*);

// One queued message, the fields of Win32's MSG.
struct Message {
    WindowHandle window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
    uint32_t time_ms;
    int32_t point_x, point_y;
};

// The 40-byte Win32 BITMAPINFOHEADER, laid out as Windows lays it out.
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

// ---- Window ----------------------------------------------------------------------------

// Registers the window class "Ostrel" whose procedure is `proc`; first of all.
void platform_register_class(InstanceHandle instance, WindowProc proc);
// Creates the host window titled `title` with an outer size of surface_width x
// surface_height, not yet shown. WM_CREATE reaches the class's procedure before this returns. Null on failure.
WindowHandle platform_create_window(InstanceHandle instance, const char* title);
// Shows the window with a start-up show command, then paints it once.
void platform_show_window(WindowHandle window, int32_t show_command);
void platform_update_window(WindowHandle window);
// The client area's size, and a new outer size (position kept): for WM_CREATE's sizing.
void platform_client_size(WindowHandle window, int32_t* cx, int32_t* cy);
void platform_resize_window(WindowHandle window, int32_t outer_cx, int32_t outer_cy);
// Before the window exists, for the zoom that fits: the size of the primary screen's area that windows may take (without panels or task bar). 0 when it cannot be
// measured, 1 otherwise.
int32_t platform_usable_screen_size(int32_t* cx, int32_t* cy);
// Window thread, for full screen. On: the window loses its frame and covers the whole screen
// it is on, and *cx, *cy receive that screen's size. Off: it takes back the frame, size and
// place it had. 1 when done; 0, with nothing changed, where the system cannot.
int32_t platform_set_full_screen(WindowHandle window, int32_t on, int32_t* cx, int32_t* cy);
// A new title, as a Windows-1252 string.
void platform_set_title(WindowHandle window, const char* ansi_title);
// Destroys the window; WM_DESTROY reaches the procedure before this returns.
void platform_destroy_window(WindowHandle window);
// For WM_PAINT: validates the invalid region and draws nothing.
void platform_paint_nothing(WindowHandle window);

// ---- Messages --------------------------------------------------------------------------

// Waits for the next message of this thread. Returns 0 for WM_QUIT (then msg->wparam is
// the quit code), non-zero otherwise.
int32_t platform_get_message(Message* msg);
// Queues the WM_CHAR messages that a key-down produces.
void platform_translate_message(const Message* msg);
// Hands the message to the window's procedure.
void platform_dispatch_message(const Message* msg);
// The system's handling of a message the host does not handle itself.
intptr_t platform_default_window_proc(WindowHandle window, uint32_t message, uintptr_t wparam,
                                      intptr_t lparam);
// Queues WM_QUIT.
void platform_post_quit(int32_t exit_code);
// WM_TIMER with `id` every `period_ms`, until the process ends.
void platform_start_timer(WindowHandle window, uintptr_t id, uint32_t period_ms);
// At the first mouse button down, and once every button is up again: while captured, the window gets the buttons' messages wherever the pointer is, so a button
// released outside it still comes up. Losing the capture some other way sends
// WM_CAPTURECHANGED (lParam: the window that has it now).
void platform_capture_mouse(WindowHandle window);
void platform_release_mouse();
// Asks for one WM_MOUSELEAVE when the pointer next leaves the client area. 1 when it will
// come.
int32_t platform_track_mouse_leave(WindowHandle window);
// The assertion box, owned by the window with the focus.
void platform_message_box(const char* text, const char* caption);
// When the run cannot go on: says what failed and why, `text` being one line,
// where the user will see it: the standard error after the program's name on Linux, a
// message box on Windows, which a program with no console has no other way to show.
void platform_report_failure(const char* text);

// ---- The program thread -----------------------------------------------------------------

// Starts `routine` with a null argument on a new thread. Null on failure.
ThreadHandle platform_start_thread(ThreadRoutine routine);
// 1 with *code set (STILL_ACTIVE while it runs); 0 on failure (no thread).
int32_t platform_thread_exit_code(ThreadHandle thread, uint32_t* code);
// Holds the thread still at an arbitrary point (it makes no progress and
// touches no memory until resumed), and releases it. Both do nothing on a null or ended
// thread; resume does nothing on a thread that is not held.
void platform_suspend_thread(ThreadHandle thread);
void platform_resume_thread(ThreadHandle thread);
// Confines the whole process, and the threads it starts later, to the first processor, for
// good.
void platform_confine_to_first_processor();

// ---- Time -------------------------------------------------------------------------------

// Milliseconds since the system started, wrapping (the cursor blink).
uint32_t platform_tick_count_ms();
// A monotonic high-resolution counter and its fixed rate in ticks per second (the frame
// clock).
int64_t platform_counter();
int64_t platform_counter_frequency();
// The resting frame clock: sleeps until platform_counter() reaches
// `deadline`, or about then (it may wake a little early or late; a signal does not end the
// sleep early); at once if it has passed. Takes no lock the window thread could wait on.
void platform_sleep_until(int64_t deadline);

// ---- Drawing ----------------------------------------------------------------------------

// The window's device context, and a memory one compatible with it.
DcHandle platform_window_dc(WindowHandle window);
DcHandle platform_create_memory_dc(DcHandle window_dc);
// A device-independent bitmap described by `header` (used as DIB_PAL_COLORS);
// *bits receives its pixel array, or null. Null handle on failure.
BitmapHandle platform_create_dib_section(DcHandle dc, const BitmapInfoHeader* header,
                                         uint8_t** bits);
void platform_select_bitmap(DcHandle dc, BitmapHandle bitmap);
// A rectangular clip region, selected into a device context; and its release.
RegionHandle platform_create_rect_region(int32_t left, int32_t top, int32_t right,
                                         int32_t bottom);
void platform_select_clip_region(DcHandle dc, RegionHandle region);
void platform_delete_region(RegionHandle region);
// Fills a rectangle of the window with black.
void platform_fill_black(DcHandle dc, int32_t x, int32_t y, int32_t cx, int32_t cy);
// Copies cx x cy pixels from (src_x, src_y) of the memory
// context's bitmap (top-left of a bottom-up bitmap) to (x, y) of the window context.
// From the program thread it must take no lock the window thread could wait on, since the
// window thread may hold the program thread still anywhere; from the window thread while
// the program thread is held, it does memory work only.
void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                             DcHandle memory_dc, int32_t src_x, int32_t src_y);
// On a zoomed window: stretches keep whole pixels (COLORONCOLOR), no blending.
void platform_set_nearest_stretch(DcHandle window_dc);
// On a zoomed window, with the same thread rules as the copy above:
// src_cx x src_cy pixels from (src_x, src_y) enlarged to cx x cy at (x, y). Only whole
// factors, the same across and down, are needed; each pixel becomes a factor x factor block.
void platform_stretch_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                DcHandle memory_dc, int32_t src_x, int32_t src_y, int32_t src_cx,
                                int32_t src_cy);

// Window thread, for the refresh of a routine that does not present: a backend that cannot
// hold the program thread still (a browser) shows a copy of the back buffer as it is, with
// the cx x cy rectangle at surface (x, y) inverted on the copy only (cx 0: none), and
// returns 1; the back buffer stays the routine's alone. 0 where the thread is held instead.
int32_t platform_present_unheld(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy);

// ---- Files ------------------------------------------------------------------------------

// Opens name for reading, bytes as they are ("rb"), only if it is a regular file
// (a link to one included). Anything else (a directory, a FIFO, a device) is refused at
// once, without waiting for a writer or for data: null, as for a file that does not exist.
// This one is picked by the operating system, not by the backend: every backend, the
// scripted one under Windows included, opens files alike.
std::FILE* platform_open_regular_file(const char* name);
