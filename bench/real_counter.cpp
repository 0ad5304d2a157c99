// The seam's high-resolution counter on the real clock, for the pacing benchmark: the
// steady clock in nanoseconds (QueryPerformanceCounter and QueryPerformanceFrequency on
// Windows). Only these two platform calls: the frame clock needs nothing else.
#include <chrono>

#include "platform/platform.h"

int64_t platform_counter() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t platform_counter_frequency() { return 1000000000; }
