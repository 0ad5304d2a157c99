// The window procedure's message table and the input state it keeps.
#include "tests/host/host_fixture.h"

namespace {

using WindowProcTest = HostTest;

TEST_F(WindowProcTest, CreationMakesTheClientArea240By160AndStartsTheTimer) {
    scripted.frame_cx = 6;  // client 234 x 137 at creation
    scripted.frame_cy = 23;
    platform_register_class(nullptr, window_proc);
    size_t from = scripted.calls.size();
    ASSERT_NE(platform_create_window(nullptr, PICTAVON_WINDOW_TITLE), nullptr);
    EXPECT_EQ(scripted_calls_since(from),
              "create_window " PICTAVON_WINDOW_TITLE "\n"
              "client_size 234 137\n"
              "resize_window 246 183\n"
              "start_timer 1 10\n");
    EXPECT_EQ(scripted.outer_cx - scripted.frame_cx, 240);
    EXPECT_EQ(scripted.outer_cy - scripted.frame_cy, 160);
}

TEST_F(WindowProcTest, KeysSetAndClearTheirSlotWithinBounds) {
    open_host();
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 0);
    EXPECT_EQ(key_state['A'].load(), 1);
    EXPECT_EQ(send(WM_KEYDOWN, 'A'), 0);  // auto-repeat
    EXPECT_EQ(key_state['A'].load(), 1);
    EXPECT_EQ(send(WM_KEYUP, 'A'), 0);
    EXPECT_EQ(key_state['A'].load(), 0);

    send(WM_KEYDOWN, 0);
    send(WM_KEYDOWN, 255);
    EXPECT_EQ(key_state[0].load(), 1);
    EXPECT_EQ(key_state[255].load(), 1);

    // Out of range, as a signed 32-bit value: ignored, never wrapped into the table.
    EXPECT_EQ(send(WM_KEYDOWN, 256), 0);
    EXPECT_EQ(send(WM_KEYDOWN, static_cast<uintptr_t>(-1)), 0);
    EXPECT_EQ(send(WM_KEYDOWN, 0xFFFFFFFFu), 0);
    int set = 0;
    for (auto& key : key_state) set += key.load();
    EXPECT_EQ(set, 2);
}

TEST_F(WindowProcTest, ButtonsUseTheirVirtualKeySlots) {
    open_host();
    send(WM_LBUTTONDOWN);
    send(WM_RBUTTONDOWN);
    send(WM_MBUTTONDOWN);
    EXPECT_EQ(key_state[1].load() + key_state[2].load() + key_state[4].load(), 3);
    send(WM_LBUTTONUP);
    send(WM_RBUTTONUP);
    send(WM_MBUTTONUP);
    EXPECT_EQ(key_state[1].load() + key_state[2].load() + key_state[4].load(), 0);
}

TEST_F(WindowProcTest, SystemKeysLeaveTheKeyStateAlone) {
    open_host();
    size_t from = scripted.calls.size();
    send(WM_SYSKEYDOWN, VK_F10);
    send(WM_SYSKEYDOWN, 'X');
    for (auto& key : key_state) EXPECT_EQ(key.load(), 0);
    EXPECT_EQ(scripted_calls_since(from), "default_window_proc 260\ndefault_window_proc 260\n");
}

TEST_F(WindowProcTest, CharacterQueueKeepsTheNewestInItsLastPlaceWhenFull) {
    open_host();
    send(WM_CHAR, 8);  // control characters are queued too
    EXPECT_EQ(char_queue.count, 1);
    EXPECT_EQ(char_queue.chars[1], 8);
    for (int i = 2; i <= 300; ++i) send(WM_CHAR, 0x100 + static_cast<uintptr_t>(i));  // low byte only
    EXPECT_EQ(char_queue.count, 255);
    EXPECT_EQ(char_queue.chars[0], 0);
    EXPECT_EQ(char_queue.chars[254], 254);
    EXPECT_EQ(char_queue.chars[255], 300 & 0xFF);
}

TEST_F(WindowProcTest, WheelTotalIsTheSumOfNegatedDeltas) {
    open_host();
    send(WM_MOUSEWHEEL, uintptr_t{120} << 16);  // one notch away from the user
    EXPECT_EQ(wheel_total, -120);
    send(WM_MOUSEWHEEL, uintptr_t{0xFF88} << 16 | 0x0008);  // -120, with a key flag below
    send(WM_MOUSEWHEEL, uintptr_t{0xFF88} << 16);
    EXPECT_EQ(wheel_total, 120);
}

TEST_F(WindowProcTest, CloseAndDestroyEndTheLoopButKeepTheWindow) {
    for (uint32_t message : {WM_CLOSE, WM_DESTROY}) {
        reset_host();
        open_host();
        ASSERT_NE(surface.window_dc.load(), nullptr);
        size_t from = scripted.calls.size();
        EXPECT_EQ(send(message), 0);
        EXPECT_EQ(quit_requested, 1);
        EXPECT_EQ(surface.window_dc.load(), nullptr);
        EXPECT_EQ(scripted_calls_since(from), "post_quit 0\n");
        EXPECT_TRUE(scripted.window_exists);
        // Nothing reaches the window any more.
        present();
        EXPECT_TRUE(scripted.presents.empty());
    }
}

TEST_F(WindowProcTest, PaintValidatesAndEraseDoesNothing) {
    open_host();
    size_t from = scripted.calls.size();
    EXPECT_EQ(send(WM_PAINT), 0);
    EXPECT_EQ(send(WM_ERASEBKGND), 0);
    EXPECT_EQ(scripted_calls_since(from), "paint_nothing\n");
}

TEST_F(WindowProcTest, UnhandledMessagesReleaseAHeldThreadThenGoToTheDefault) {
    open_host();
    platform_suspend_thread(program_thread);
    size_t from = scripted.calls.size();
    send(WM_MOUSEMOVE);  // kept for the pointer, then passed on all the same
    EXPECT_EQ(scripted.held, 0);
    EXPECT_EQ(scripted_calls_since(from), "track_mouse_leave\nresume_thread\ndefault_window_proc 512\n");
    from = scripted.calls.size();
    send(WM_COMMAND, 5);  // passed on without touching the thread
    EXPECT_EQ(scripted_calls_since(from), "default_window_proc 273\n");
}

TEST_F(WindowProcTest, TakeKeyAndTakeAnyKey) {
    key_state[4].store(1);
    key_state[65].store(1);
    EXPECT_EQ(take_any_key(), 4);
    EXPECT_EQ(key_state[65].load(), 1);
    EXPECT_EQ(take_any_key(), 65);
    EXPECT_EQ(take_any_key(), 0);

    key_state[0].store(1);  // slot 0 is found and cleared, and reads as no key
    EXPECT_EQ(take_any_key(), 0);
    EXPECT_EQ(key_state[0].load(), 0);

    key_state[1].store(1);
    EXPECT_EQ(take_key(257), 1);  // index taken modulo 256
    EXPECT_EQ(key_state[1].load(), 0);
    EXPECT_EQ(take_key(1), 0);
}

}  // namespace

namespace {

constexpr intptr_t repeat_bit = intptr_t{1} << 30;

TEST_F(WindowProcTest, PressesAreCountedOncePerDownAndTakenOnce) {
    open_host();
    send(WM_KEYDOWN, 'A');
    send(WM_KEYDOWN, 'A', repeat_bit);  // auto-repeat
    send(WM_KEYUP, 'A');
    send(WM_KEYDOWN, 'A');
    send(WM_KEYUP, 'A');
    send(WM_LBUTTONDOWN);
    send(WM_LBUTTONUP);
    EXPECT_EQ(take_key('A'), 0);  // the taps are over: the state alone misses them
    EXPECT_EQ(take_press('A'), 2u);
    EXPECT_EQ(take_press('A' + 256), 0u);
    EXPECT_EQ(take_press(VK_LBUTTON), 1u);
    EXPECT_EQ(take_press(VK_RBUTTON), 0u);
}

TEST_F(WindowProcTest, TypedCharactersAreTakenInOrderAndTheOverflowIsDropped) {
    open_host();
    for (int32_t i = 0; i < 300; ++i) send(WM_CHAR, static_cast<uintptr_t>(1 + i % 255));
    for (int32_t i = 0; i < 256; ++i) ASSERT_EQ(take_char(), 1 + i % 255) << i;
    EXPECT_EQ(take_char(), 0);
    EXPECT_EQ(char_queue.count.load(), 255);  // the queue keeps its own rule
    send(WM_CHAR, 'x');
    EXPECT_EQ(take_char(), 'x');
}

intptr_t point(int32_t x, int32_t y) {
    return static_cast<intptr_t>(static_cast<uint16_t>(x) | static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

TEST_F(WindowProcTest, ThePointerIsTheSurfacePixelShownUnderIt) {
    open_host();
    struct Case {
        int32_t x, y, mouse_x, mouse_y, in;
    };
    // Window row j shows surface row j - 1; places outside (a captured pointer) are clamped.
    for (Case c : {Case{10, 0, 10, -1, 1}, Case{239, 159, 239, 158, 1}, Case{240, 5, 239, 4, 0},
                   Case{-3, -700, 0, -1, 0}, Case{120, 160, 120, 158, 0}}) {
        send(WM_MOUSEMOVE, 0, point(c.x, c.y));
        EXPECT_EQ(mouse_x.load(), c.mouse_x) << c.x << "," << c.y;
        EXPECT_EQ(mouse_y.load(), c.mouse_y) << c.x << "," << c.y;
        EXPECT_EQ(mouse_in.load(), c.in) << c.x << "," << c.y;
    }
    window_zoom = 3;  // each surface pixel a 3 x 3 block
    send(WM_MOUSEMOVE, 0, point(719, 479));
    EXPECT_EQ(mouse_x.load() * 1000 + mouse_y.load(), 239 * 1000 + 158);
    send(WM_MOUSEMOVE, 0, point(5, 2));
    EXPECT_EQ(mouse_x.load() * 1000 + mouse_y.load(), 1 * 1000 - 1);
    window_zoom = 1;
    send(WM_MOUSEMOVE, 0, point(30, 40));
    send(WM_MOUSELEAVE);
    EXPECT_EQ(mouse_in.load(), 0);
    EXPECT_EQ(mouse_x.load() * 1000 + mouse_y.load(), 30 * 1000 + 39);  // the last place stays
    // One leave asked for at a time, and again after it came.
    send(WM_MOUSEMOVE, 0, point(1, 1));
    send(WM_MOUSEMOVE, 0, point(2, 2));
    std::string calls = scripted_calls_since(0);
    size_t asked = 0;
    for (size_t at = 0; (at = calls.find("track_mouse_leave", at)) != std::string::npos; ++at) ++asked;
    EXPECT_EQ(asked, 2u);
}

}  // namespace
