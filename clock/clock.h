// The fixed-step frame clock on the high-resolution counter (program thread only).
#pragma once

#include <atomic>
#include <cstdint>

extern int64_t counter_frequency;  // ticks per second, read by start_clock
extern int64_t frame_start;        // counter value at which the current period began
extern int32_t frame_late;         // 1 while the program is at least one period behind
// 1: wait_frame waits as rest_frame does (the user's --rest). Set by the window thread before
// the program thread starts, never after.
extern int32_t wait_frame_rests;

// The counter value the first start_clock read, or clock_not_started: the window thread's
// recorder counts a timeline's milliseconds from it, so that a replay's frames fall on the
// same grid as the live run's.
constexpr int64_t clock_not_started = INT64_MIN;
extern std::atomic<int64_t> first_clock_start;
// For the same recorder: the counter values at which the last finished wait ended and at
// which the one under way will end (equal while none is), so that an input event is
// written down for the frame that will see it, however late the program thread runs.
extern std::atomic<int64_t> wait_ended_at, wait_ends_at;

// Anchors the period grid at the present counter value.
void start_clock();
// Returns at the end of the current period of `ms` milliseconds (at once if it has already
// passed), advances the grid by one period and sets frame_late.
void wait_frame(int32_t ms);
// The same grid, the same frame_late and one period per call as wait_frame, but it sleeps
// on a timer until shortly before the period ends and busy-waits only the rest, so a light
// routine leaves the processor free.
void rest_frame(int32_t ms);
