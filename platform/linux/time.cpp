// The clocks on Linux: the tick count, the frame clock's counter in nanoseconds, and the
// resting wait to a deadline on that counter. Any thread; no SDL.
#include <errno.h>
#include <time.h>

#include <cstdint>

#include "platform/platform.h"

uint32_t platform_tick_count_ms() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);  // counts from boot, suspend included, as Windows does
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000);
}

int64_t platform_counter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}
int64_t platform_counter_frequency() { return 1000000000; }

// On the counter's own clock, to an absolute deadline: the thread hold's signal interrupts
// the sleep, which then goes on to the same end.
void platform_sleep_until(int64_t deadline) {
    if (deadline <= 0) return;
    timespec end{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &end, nullptr) == EINTR) {
    }
}
