// The host runtime's entry and the state it shares between its two threads.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/options.h"
#include "host/program.h"
#include "platform/platform.h"

// Window thread. Registers the class, creates and shows the window, makes the surface,
// starts program_main on a thread of its own and runs the message loop until the window
// is closed. Returns the process exit code: 0 when the window was closed or destroyed, 1 at
// once when the window, the back buffer or the program thread cannot be made.
int32_t host_main(InstanceHandle instance, int32_t show_command);

// The window procedure of the host window (window thread).
intptr_t window_proc(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// The timer step: end of run, then the refresh with the blinking cursor (window thread).
void timer_step(WindowHandle window);

// What the user asked for; set by the program's entry before host_main (window thread).
extern HostOptions host_options;
extern WindowHandle host_window;     // window thread; null until shown
extern ThreadHandle program_thread;  // window thread; null if the thread could not start
extern int32_t quit_requested;       // window thread only
extern int32_t run_finished;         // window thread only
// Window thread only: 1 from the timer step that found the routine ended (and showed or
// kept the prompt) while it stays ended; a press counted from then on closes the window.
extern int32_t prompt_waiting;
// 0 until the routine calls end_run; then 1 + the exit code it asked for (0..255). Written
// once by the program thread, acted on by the window thread's next timer step.
extern std::atomic<int32_t> end_run_request;
extern int32_t cursor_x, cursor_y;   // constant 0: where the text cursor blinks

