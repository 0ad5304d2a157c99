// The fixed-step frame clock on the high-resolution counter.
//
// Counter arithmetic is signed 64-bit two's complement: sums, differences and the product
// ms x frequency are taken in uint64_t (modulo 2^64 by definition) and read back as int64_t,
// so no intermediate overflows however the counter or the frequency behave.
#include "clock/clock.h"

#include "platform/platform.h"

int64_t counter_frequency = 0;
int64_t frame_start = 0;
int32_t frame_late = 0;
int32_t wait_frame_rests = 0;
std::atomic<int64_t> first_clock_start{clock_not_started};
std::atomic<int64_t> wait_ended_at, wait_ends_at;

namespace {

// uint64_t -> int64_t keeps the bits (modular in GCC, Clang and MSVC, and in C++20).
inline int64_t add64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
inline int64_t sub64(int64_t a, int64_t b) {
    return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

// ms sign-extended, times the frequency modulo 2^64, divided by 1000 toward zero. (The
// quotient of any int64_t by 1000 is representable.)
inline int64_t interval_of(int32_t ms) {
    const int64_t product = static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(ms)) *
                                                 static_cast<uint64_t>(counter_frequency));
    return product / 1000;
}

// How long before a period's end rest_frame stops sleeping: a timer wakes its thread some
// tens of microseconds late on an idle machine, more under load, and the busy wait after it
// makes the end exact.
constexpr int64_t rest_busy_ms = 1;

// The on-time and late paths of both waits; `rest` sleeps through the period's start.
void advance_frame(int32_t ms, bool rest) {
    const int64_t interval = interval_of(ms);
    const int64_t now = platform_counter();

    if (sub64(now, frame_start) >= interval) {
        // Late: consume exactly one interval, decide with the same reading, do not wait.
        frame_start = add64(frame_start, interval);
        frame_late = sub64(now, frame_start) >= interval ? 1 : 0;
        wait_ends_at.store(frame_start, std::memory_order_relaxed);
        wait_ended_at.store(frame_start, std::memory_order_relaxed);
        return;
    }

    // On time: clear the flag first, then wait. wait_frame only busy-waits on the counter;
    // rest_frame sleeps first, and busy-waits the last stretch.
    frame_late = 0;
    const int64_t end = add64(frame_start, interval);
    wait_ends_at.store(end, std::memory_order_relaxed);
    if (rest) {
        const int64_t busy = counter_frequency / 1000 * rest_busy_ms;
        if (sub64(end, now) > busy) platform_sleep_until(sub64(end, busy));
    }
    while (sub64(platform_counter(), frame_start) < interval) {
    }
    frame_start = end;
    wait_ended_at.store(end, std::memory_order_relaxed);
}

}  // namespace

void start_clock() {
    counter_frequency = platform_counter_frequency();
    frame_start = platform_counter();
    int64_t unset = clock_not_started;
    first_clock_start.compare_exchange_strong(unset, frame_start, std::memory_order_relaxed);
}

void wait_frame(int32_t ms) { advance_frame(ms, wait_frame_rests != 0); }

void rest_frame(int32_t ms) { advance_frame(ms, true); }
