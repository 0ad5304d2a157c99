// The timer step: the refresh with its blinking cursor, and the end of a run.
#include <cstring>

#include "tests/host/host_fixture.h"

namespace {

constexpr char prompt[] = "Termin\xE9. Appuyez sur une touche/cliquez pour continuer.";

class TimerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        open_host();
        for (int i = 0; i < surface_array_bytes; ++i) surface.bits[i] = static_cast<uint8_t>(i * 7);
        before.assign(surface.bits, surface.bits + surface_array_bytes);
    }
    void tick(uint32_t ms) {
        scripted.tick_ms = ms;
        send(WM_TIMER, 1);
    }
    // The window shows surface (x, y) in window row y + 1.
    uint8_t shown(int x, int y, int byte) { return last_present()[(y + 1) * 720 + x * 3 + byte]; }
    uint8_t stored(int x, int y, int byte) { return surface.bits[pixel_offset(x, y) + byte]; }
    bool back_buffer_unchanged() {
        return std::memcmp(before.data(), surface.bits, before.size()) == 0;
    }
    std::vector<uint8_t> before;
};

TEST_F(TimerTest, RefreshShowsTheCursorInOddHalfSecondsAndLeavesTheBufferAsItWas) {
    tick(700);
    ASSERT_EQ(scripted.presents.size(), 1u);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 9; ++x)
            for (int b = 0; b < 3; ++b) {
                bool cursor = x <= 6 && (y == 8 || y == 9);
                uint8_t want = cursor ? static_cast<uint8_t>(255 - stored(x, y, b)) : stored(x, y, b);
                EXPECT_EQ(shown(x, y, b), want) << x << "," << y;
            }
    EXPECT_TRUE(back_buffer_unchanged());
    EXPECT_EQ(scripted.held, 0);

    tick(400);
    ASSERT_EQ(scripted.presents.size(), 2u);
    EXPECT_EQ(shown(0, 8, 0), stored(0, 8, 0));
}

TEST_F(TimerTest, NegativeTicksTruncateTowardZero) {
    tick(static_cast<uint32_t>(-700));  // -700 / 500 = -1: odd, cursor shown
    EXPECT_EQ(shown(3, 9, 1), 255 - stored(3, 9, 1));
    tick(static_cast<uint32_t>(-400));  // -400 / 500 = 0: even, no cursor
    EXPECT_EQ(shown(3, 9, 1), stored(3, 9, 1));
}

TEST_F(TimerTest, RefreshHoldsTheProgramThreadAroundThePresent) {
    size_t from = scripted.calls.size();
    tick(700);
    EXPECT_EQ(scripted_calls_since(from), "suspend_thread\ncopy_to_window 0 0 240 160\nresume_thread\n");
}

// Where the thread cannot be held, the backend shows a copy with the cursor's rectangle
// inverted on it: the host asks for that in odd half seconds and for none in even ones, and
// neither holds the thread nor writes the back buffer.
TEST_F(TimerTest, WithoutAHoldTheCursorGoesOnTheBackendsCopyOnly) {
    scripted.cannot_hold_thread = true;
    for (auto [ms, call] : {std::pair{700u, "present_unheld 0 8 7 2\n"}, {400u, "present_unheld 0 8 0 2\n"}}) {
        size_t from = scripted.calls.size();
        tick(ms);
        EXPECT_EQ(scripted_calls_since(from), call);
    }
    EXPECT_TRUE(back_buffer_unchanged());
}

TEST_F(TimerTest, ARoutineThatPresentsItselfIsNeverRefreshed) {
    manual_refresh.store(1);
    for (uint32_t t = 0; t < 2000; t += 10) tick(t);
    EXPECT_TRUE(scripted.presents.empty());
    EXPECT_EQ(scripted_calls_since(0).find("suspend_thread"), std::string::npos);
}

TEST_F(TimerTest, AFlagSetWhileTheHoldIsTakenSkipsTheRefresh) {
    // The routine sets the flag just before the hold lands, on its way to its own present.
    scripted.on_suspend = [] { manual_refresh.store(1); };
    size_t from = scripted.calls.size();
    tick(700);
    EXPECT_EQ(scripted_calls_since(from), "suspend_thread\nresume_thread\n");
    EXPECT_TRUE(scripted.presents.empty());
    EXPECT_TRUE(back_buffer_unchanged());
}

TEST_F(TimerTest, StillActiveIsTakenAsRunning) {
    scripted.thread_exit_code = STILL_ACTIVE;
    manual_refresh.store(1);
    tick(10);
    EXPECT_TRUE(scripted.titles.empty());
    EXPECT_EQ(run_finished, 0);
}

TEST_F(TimerTest, EndOfRunPresentsOncePromptsAndClosesOnTheNextKeyOrClick) {
    manual_refresh.store(1);
    scripted.thread_exit_code = 0;
    tick(700);
    ASSERT_EQ(scripted.presents.size(), 1u);
    EXPECT_EQ(shown(0, 8, 0), stored(0, 8, 0));  // no cursor in the last frame
    EXPECT_EQ(scripted.titles, std::vector<std::string>{prompt});
    EXPECT_EQ(run_finished, 1);

    // Wheel and mouse movement do not close it; nor does a quiet tick.
    send(WM_MOUSEWHEEL, uintptr_t{120} << 16);
    send(WM_MOUSEMOVE);
    tick(710);
    EXPECT_TRUE(scripted.window_exists);
    EXPECT_EQ(scripted.presents.size(), 1u);
    EXPECT_EQ(scripted.titles.size(), 1u);

    send(WM_RBUTTONDOWN);
    tick(720);
    EXPECT_FALSE(scripted.window_exists);
    EXPECT_EQ(quit_requested, 1);
}

TEST_F(TimerTest, OnlyAPressMadeOnceThePromptIsUpClosesTheWindowHoweverShort) {
    send(WM_LBUTTONDOWN);  // pressed during the run and never taken
    send(WM_KEYDOWN, VK_ESCAPE);  // the key that ended the routine, still held
    scripted.thread_exit_code = 3;
    tick(100);
    EXPECT_EQ(scripted.titles, std::vector<std::string>{prompt});
    send(WM_KEYDOWN, VK_ESCAPE, intptr_t{1} << 30);  // its auto-repeat and its release are no presses
    send(WM_KEYUP, VK_ESCAPE);
    tick(110);
    EXPECT_TRUE(scripted.window_exists);
    send(WM_KEYDOWN, VK_SPACE);  // a tap between two steps
    send(WM_KEYUP, VK_SPACE);
    tick(120);
    EXPECT_FALSE(scripted.window_exists);
}

TEST_F(TimerTest, AfterTheEndTheCursorKeepsBlinkingForARoutineThatNeverPresented) {
    scripted.thread_exit_code = 0;
    tick(700);  // the last frame, then a refresh with the cursor
    ASSERT_EQ(scripted.presents.size(), 2u);
    EXPECT_EQ(shown(0, 8, 0), 255 - stored(0, 8, 0));
    tick(1200);
    EXPECT_EQ(scripted.presents.size(), 3u);
    EXPECT_EQ(shown(0, 8, 0), stored(0, 8, 0));
    EXPECT_EQ(scripted.titles.size(), 1u);
    EXPECT_TRUE(back_buffer_unchanged());
}

}  // namespace
