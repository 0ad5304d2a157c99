// What the SDL backend needs of Linux itself, beside SDL: the program thread (pthreads,
// held still by a signal) and the window thread's claim on its processor (the scheduler's
// system calls). Nothing here calls SDL.
#pragma once

#include <cstdint>

// ---- The program thread (program_thread.cpp) -----------------------------------------------

// Window thread: whether a suspend holds a program thread now. It may be stopped inside
// SDL's locks or malloc, so SDL must not be called until it is resumed.
bool program_thread_held();

// ---- The window thread's priority (priority.cpp) -------------------------------------------

// What the window thread obtained: real time alone, or a lower nice value and a short slice,
// either, both or neither.
struct WindowPriority {
    bool real_time = false;    // SCHED_FIFO (CAP_SYS_NICE or an RLIMIT_RTPRIO allowance)
    bool nice_raised = false;  // a lower nice value (an RLIMIT_NICE allowance, or
                               // CAP_SYS_NICE where real time is refused)
    bool short_slice = false;  // the kernel's shortest scheduler slice (Linux 6.12 on)
};

// Window thread, once, before it starts the program thread: raises its own priority above
// the process's (real-time scheduling with the privilege for it; else a lower nice value
// where an allowance permits, and the shortest scheduler slice where the kernel has one),
// silently. Returns what it did.
WindowPriority raise_window_thread_priority();
// Window thread: its work since it last woke has run past the bound
// (busy_bound_ns): a real-time thread goes back to ordinary scheduling, so that a flood of
// work cannot keep its processor from every other program. No effect otherwise.
constexpr int64_t busy_bound_ns = 4000000;
void give_up_real_time();
// Window thread, with nothing left to do, before it waits: real time again if it gave it up.
void regain_real_time();
// Program thread, first thing: back to the process's own priority, which it inherited
// raised from the window thread that created it.
void keep_program_thread_priority();
