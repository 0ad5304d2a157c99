// The frame clock on the null backend's real counter, as the pacing benchmark runs it, and
// the null backend's refusal of everything that needs a window.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "clock/clock.h"
#include "platform/messages.h"
#include "platform/platform.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(NullBackend, FramePeriodsLastTheirTimeOnTheRealCounter) {
    const auto start = std::chrono::steady_clock::now();
    start_clock();
    for (int i = 0; i < 5; ++i) wait_frame(20);
    const double elapsed = seconds_since(start);
    EXPECT_GE(elapsed, 0.100);
    EXPECT_LT(elapsed, 2.0);  // generous for a loaded machine, yet no counter at a wrong rate
    EXPECT_EQ(counter_frequency, platform_counter_frequency());

    // A frame whose work overran its period is late, and the next waits nothing.
    start_clock();
    std::this_thread::sleep_for(std::chrono::milliseconds(45));
    wait_frame(20);
    EXPECT_EQ(frame_late, 1);
}

// The resting wait keeps the same pace on the real counter, asleep most of each period.
// The processor time it leaves free is measured end to end on both builds (std::clock is
// wall time on Windows).
TEST(NullBackend, RestFramePeriodsLastTheirTime) {
    const auto start = std::chrono::steady_clock::now();
    start_clock();
    for (int i = 0; i < 10; ++i) rest_frame(20);
    const double elapsed = seconds_since(start);
    EXPECT_GE(elapsed, 0.200);
    EXPECT_LT(elapsed, 2.0);
}

TEST(NullBackend, TickCountFollowsTheRealClock) {
    const uint32_t before = platform_tick_count_ms();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t after = platform_tick_count_ms();
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 2000u);
}

TEST(NullBackend, NoWindowNoThreadAndTheMessageLoopEndsAtOnce) {
    EXPECT_EQ(platform_create_window(nullptr, "x"), nullptr);
    EXPECT_EQ(platform_start_thread([](void*) -> uint32_t { return 0; }), nullptr);
    uint32_t code = 12345;
    EXPECT_EQ(platform_thread_exit_code(nullptr, &code), 0);
    Message msg{};
    msg.message = WM_TIMER;
    EXPECT_EQ(platform_get_message(&msg), 0);
    EXPECT_EQ(msg.message, uint32_t{WM_QUIT});
    uint8_t* bits = reinterpret_cast<uint8_t*>(&code);
    BitmapInfoHeader header{};
    EXPECT_EQ(platform_create_dib_section(nullptr, &header, &bits), nullptr);
    EXPECT_EQ(bits, nullptr);
}

}  // namespace
