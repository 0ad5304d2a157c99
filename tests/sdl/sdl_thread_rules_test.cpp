// Debug builds stop at an SDL call that breaks the backend's thread rules, and only then.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_host_window.h"

namespace {

std::atomic<int32_t> stop_spinning;

intptr_t quiet_proc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

uint32_t spin(void*) {
    while (stop_spinning.load(std::memory_order_relaxed) == 0) {
    }
    return 0;
}

WindowHandle open_window() {
    platform_register_class(nullptr, quiet_proc);
    WindowHandle window = platform_create_window(nullptr, "Rules");
    if (window == nullptr) _exit(3);  // no display: neither a pass nor the expected stop
    return window;
}

// Each case runs in a child of its own, which opens its own window.
class ThreadRulesDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ThreadRulesDeathTest, KeepingTheRulesGoesOn) {
    EXPECT_EXIT(
        {
            WindowHandle window = open_window();
            ThreadHandle thread = platform_start_thread(spin);
            platform_suspend_thread(thread);
            platform_resume_thread(thread);  // SDL again only once the hold is over
            platform_set_title(window, "Rules kept");
            std::fflush(nullptr);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ThreadRulesDeathTest, SdlOffTheWindowThreadStops) {
    EXPECT_DEATH(
        {
            WindowHandle window = open_window();
            std::thread([window] { platform_set_title(window, "Wrong thread"); }).join();
        },
        "on_window_thread");
}

TEST_F(ThreadRulesDeathTest, SdlWhileTheProgramThreadIsHeldStops) {
    EXPECT_DEATH(
        {
            WindowHandle window = open_window();
            ThreadHandle thread = platform_start_thread(spin);
            platform_suspend_thread(thread);
            platform_set_title(window, "Held");
        },
        "program_thread_held");
}

}  // namespace
