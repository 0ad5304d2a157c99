// Holding the program thread still: no progress while held, everything as before after,
// and the thread's end never leaves a suspender waiting. No display needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/linux/threads.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<uint64_t> steps;
std::atomic<int32_t> stop;
std::atomic<int32_t> errno_changed;

// Counts as fast as it can until told to stop; checks that the holds leave errno alone.
uint32_t count_steps(void*) {
    errno = 1234;
    while (stop.load(std::memory_order_relaxed) == 0) {
        steps.fetch_add(1, std::memory_order_relaxed);
        if (errno != 1234) errno_changed.store(1, std::memory_order_relaxed);
    }
    return 7;
}

uint32_t return_at_once(void*) { return 0; }

ThreadHandle start_counting() {
    stop.store(0);
    steps.store(0);
    errno_changed.store(0);
    ThreadHandle t = platform_start_thread(count_steps);
    while (steps.load() == 0) std::this_thread::yield();
    return t;
}

// Until the thread has ended; false after two seconds.
bool wait_for_end(ThreadHandle t) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    uint32_t code = STILL_ACTIVE;
    while (platform_thread_exit_code(t, &code) != 0 && code == STILL_ACTIVE) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

bool still_for(std::chrono::milliseconds ms) {
    uint64_t before = steps.load();
    std::this_thread::sleep_for(ms);
    return steps.load() == before;
}

bool moving_within(std::chrono::milliseconds ms) {
    const auto deadline = Clock::now() + ms;
    uint64_t before = steps.load();
    while (Clock::now() < deadline)
        if (steps.load() != before) return true;
    return false;
}

TEST(Hold, ExitCodeIsStillActiveThenTheRoutinesResult) {
    uint32_t code = 0;
    EXPECT_EQ(platform_thread_exit_code(nullptr, &code), 0);
    ThreadHandle t = start_counting();
    ASSERT_EQ(platform_thread_exit_code(t, &code), 1);
    EXPECT_EQ(code, STILL_ACTIVE);
    stop.store(1);
    ASSERT_TRUE(wait_for_end(t));
    ASSERT_EQ(platform_thread_exit_code(t, &code), 1);
    EXPECT_EQ(code, 7u);
}

TEST(Hold, HeldThreadMakesNoProgressAndGoesOnAfter) {
    ThreadHandle t = start_counting();
    for (int i = 0; i < 20; ++i) {
        platform_suspend_thread(t);
        EXPECT_TRUE(still_for(std::chrono::milliseconds(5))) << "hold " << i;
        platform_resume_thread(t);
        EXPECT_TRUE(moving_within(std::chrono::milliseconds(2000))) << "after hold " << i;
    }
    // Held twice, released once: still held; the second release lets it go.
    platform_suspend_thread(t);
    platform_suspend_thread(t);
    platform_resume_thread(t);
    EXPECT_TRUE(still_for(std::chrono::milliseconds(10)));
    platform_resume_thread(t);
    EXPECT_TRUE(moving_within(std::chrono::milliseconds(2000)));
    EXPECT_EQ(errno_changed.load(), 0);
    stop.store(1);
    ASSERT_TRUE(wait_for_end(t));
}

TEST(Hold, ResumingAThreadThatIsNotHeldChangesNothing) {
    platform_resume_thread(nullptr);
    platform_suspend_thread(nullptr);
    ThreadHandle t = start_counting();
    for (int i = 0; i < 5; ++i) platform_resume_thread(t);
    EXPECT_TRUE(moving_within(std::chrono::milliseconds(2000)));
    // No release is left over to let the next hold slip.
    platform_suspend_thread(t);
    EXPECT_TRUE(still_for(std::chrono::milliseconds(10)));
    platform_resume_thread(t);
    stop.store(1);
    ASSERT_TRUE(wait_for_end(t));
}

// What the debug checks on SDL calls ask: held from the suspend that takes the hold until
// the resume that lets it go, nested ones included; an ended thread is never held.
TEST(Hold, HeldIsReportedExactlyWhileASuspendIsInForce) {
    ThreadHandle t = start_counting();
    EXPECT_FALSE(program_thread_held());
    platform_suspend_thread(t);
    EXPECT_TRUE(program_thread_held());
    platform_suspend_thread(t);
    platform_resume_thread(t);
    EXPECT_TRUE(program_thread_held()) << "one suspend is still in force";
    platform_resume_thread(t);
    EXPECT_FALSE(program_thread_held());
    stop.store(1);
    ASSERT_TRUE(wait_for_end(t));
    platform_suspend_thread(t);
    EXPECT_FALSE(program_thread_held()) << "a thread that has ended";
    platform_resume_thread(t);
    EXPECT_FALSE(program_thread_held());
}

// A thread that ends while the window thread keeps holding and releasing it: each suspend
// returns at once, also on the ended thread, instead of waiting for a handler that will
// never run (the acknowledgement's time-out is a second, far above the bound here).
TEST(Hold, ThreadsEndingUnderSuspendersNeverHang) {
    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 200; ++i) {
        ThreadHandle t = platform_start_thread(return_at_once);
        uint32_t code = STILL_ACTIVE;
        for (int cycle = 0; cycle < 1000; ++cycle) {
            const auto start = Clock::now();
            platform_suspend_thread(t);
            platform_resume_thread(t);
            slowest = std::max(slowest, Clock::now() - start);
            if (platform_thread_exit_code(t, &code) != 0 && code != STILL_ACTIVE) break;
        }
        ASSERT_TRUE(wait_for_end(t));
        const auto start = Clock::now();
        platform_suspend_thread(t);
        platform_resume_thread(t);
        slowest = std::max(slowest, Clock::now() - start);
    }
    EXPECT_LT(slowest, std::chrono::milliseconds(500));
}

double median_hold_us(ThreadHandle t, int cycles) {
    std::vector<double> us;
    for (int i = 0; i < cycles; ++i) {
        const auto start = Clock::now();
        platform_suspend_thread(t);
        platform_resume_thread(t);
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

// Last: it confines the whole test process to one processor, as the host does.
TEST(Hold, CostOfOneSuspendAndResume) {
    ThreadHandle t = start_counting();
    const double apart = median_hold_us(t, 10000);
    platform_confine_to_first_processor();
    const double together = median_hold_us(t, 10000);
    std::printf("suspend + resume, median of 10000: %.1f us on two processors, %.1f us on one\n", apart,
                together);
    EXPECT_TRUE(moving_within(std::chrono::milliseconds(2000)));
    stop.store(1);
    ASSERT_TRUE(wait_for_end(t));
}

}  // namespace
