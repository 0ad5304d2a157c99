// What the host and the routine it runs agree on: the routine's entry, and who presents.
#pragma once

#include <atomic>
#include <cstdint>

// The program routine, supplied at link time by the demo, an example or a test routine.
// Runs on the program thread with a null argument; it may run for ever. Its result must
// not be STILL_ACTIVE (259), which the host takes for a running thread.
uint32_t program_main(void* unused);

// Written by the program thread (set to 1 once, before its first own present), read by the
// window thread's timer step. While 0 the host presents the back buffer itself.
extern std::atomic<int32_t> manual_refresh;

// Program thread: ends the run now, as the user's close does but with exit code `code`: no
// prompt, the window closes within one 10 ms step and the process exits with `code`; this
// thread never goes on. 0 to 255 are taken as they are; any other value gives 255, a
// failure, so that no value becomes a success it did not ask for (256 would be 0 to a
// POSIX shell).
[[noreturn]] void end_run(int32_t code);
