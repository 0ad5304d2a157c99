// Start-up, the message loop and its exit code, and the surface's creation.
#include "tests/host/host_fixture.h"

namespace {

using HostMainTest = HostTest;

TEST_F(HostMainTest, StartsUpInOrderAndEndsWithTheQuitCode) {
    scripted_post(WM_KEYDOWN, 'Z');
    scripted_post(WM_CLOSE);
    EXPECT_EQ(host_main(nullptr, 10), 0);
    EXPECT_FALSE(scripted.ran_dry);
    EXPECT_EQ(scripted_calls_since(0),
              "register_class\n"
              "create_window " PICTAVON_WINDOW_TITLE "\n"
              "client_size 240 160\n"
              "resize_window 240 160\n"
              "start_timer 1 10\n"
              "show_window 10\n"
              "update_window\n"
              "window_dc\n"
              "create_memory_dc\n"
              "create_dib_section 240 161 24\n"
              "select_bitmap\n"
              "create_rect_region 0 0 240 160\n"
              "select_clip_region 1\n"
              "confine_to_first_processor\n"
              "fill_black 0 0 240 160\n"
              "start_thread\n"
              "post_quit 0\n"
              "post_quit 0\n");
    EXPECT_EQ(key_state['Z'].load(), 1);
    EXPECT_EQ(char_queue.count, 1);  // the key-down was translated
    EXPECT_EQ(char_queue.chars[1], 'z');
    EXPECT_NE(host_window, nullptr);
    EXPECT_NE(program_thread, nullptr);
    EXPECT_EQ(scripted.routine, &program_main);
    EXPECT_EQ(surface.width, 240);
    EXPECT_EQ(surface.height, 160);
    EXPECT_EQ(clip_rect.right, 240);
    EXPECT_EQ(clip_rect.bottom, 160);
    EXPECT_TRUE(scripted.boxes.empty());
}

// Messages queued behind the close request (typing while closing) are fetched before the
// quit message; the first of them ends the loop undispatched, and the close is still a
// success whatever its wParam.
TEST_F(HostMainTest, MessagesQueuedBehindACloseAreNotDispatchedAndTheExitCodeIs0) {
    for (uint32_t closing : {uint32_t{WM_CLOSE}, uint32_t{WM_DESTROY}}) {
        SCOPED_TRACE(closing);
        reset_host();
        scripted_post(closing);
        scripted_post(WM_CHAR, 'A');
        scripted_post(WM_KEYDOWN, 'Q');
        EXPECT_EQ(host_main(nullptr, 10), 0);
        EXPECT_EQ(char_queue.count, 0);
        EXPECT_EQ(key_state['Q'].load(), 0);
        EXPECT_FALSE(scripted.ran_dry);
    }
}

TEST_F(HostMainTest, WindowThatCannotBeMadeEndsAtOnceWithNothingStarted) {
    scripted.fail_create_window = true;
    scripted_post(WM_CLOSE);
    EXPECT_EQ(host_main(nullptr, 10), 1);  // a failure, not the success of a closed window
    EXPECT_EQ(scripted_calls_since(0), "register_class\ncreate_window " PICTAVON_WINDOW_TITLE "\n");
    EXPECT_EQ(host_window, nullptr);
    EXPECT_EQ(surface.bits, nullptr);
}

// A routine that never ran, or a back buffer that was never made: one line says so and the
// run ends at once with a failure code, never in a prompt that waits for a key.
TEST_F(HostMainTest, ThreadOrBackBufferThatCannotBeMadeEndsTheRunWithCode1) {
    for (bool thread_fails : {true, false}) {
        reset_host();
        scripted.fail_start_thread = thread_fails;
        scripted.fail_dib = !thread_fails;
        scripted_post(WM_TIMER, 1);
        EXPECT_EQ(host_main(nullptr, 10), 1);
        std::string calls = scripted_calls_since(0);
        EXPECT_NE(calls.find(thread_fails ? "report_failure cannot start the program routine"
                                          : "report_failure cannot make the back buffer"),
                  std::string::npos)
            << calls;
        EXPECT_TRUE(scripted.titles.empty());
        EXPECT_EQ(scripted.queue.size(), 1u);  // no message loop ran
    }
}

TEST_F(HostMainTest, CreateDibReportsEachFailedConditionInOrderAndGoesOn) {
    scripted.fail_dib = true;
    BitmapHandle hbm = nullptr;
    uint8_t* bits = nullptr;
    create_dib(nullptr, 0, -1, 32, &hbm, &bits);
    EXPECT_EQ(scripted.boxes, (std::vector<std::string>{
                                  "Viredodiz: Erreur: (ibitcount == 8) || (ibitcount == 16) || (ibitcount == 24)",
                                  "Viredodiz: Erreur: cx > 0",
                                  "Viredodiz: Erreur: cy > 0",
                                  "Viredodiz: Erreur: *hbm",
                                  "Viredodiz: Erreur: *bits",
                              }));
    EXPECT_EQ(hbm, nullptr);
    // The creation was still attempted, and nothing was selected.
    EXPECT_EQ(scripted_calls_since(0).find("select_bitmap"), std::string::npos);
    EXPECT_NE(scripted_calls_since(0).find("create_dib_section 0 0 32"), std::string::npos);
}

TEST_F(HostMainTest, CreateDibDescribesABottomUpBitmapOneRowTaller) {
    BitmapHandle hbm = nullptr;
    uint8_t* bits = nullptr;
    create_dib(nullptr, 240, 160, 24, &hbm, &bits);
    EXPECT_TRUE(scripted.boxes.empty());
    EXPECT_NE(hbm, nullptr);
    EXPECT_NE(bits, nullptr);
    const BitmapInfoHeader& h = scripted.dib_header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 240);
    EXPECT_EQ(h.biHeight, 161);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression | h.biSizeImage | h.biClrUsed | h.biClrImportant, 0u);
    EXPECT_EQ(scripted.dib.size(), 161u * 720u);
}

TEST_F(HostMainTest, ASecondClipDeletesTheFirstRegionBeforeMakingItsOwn) {
    open_host();
    size_t from = scripted.calls.size();
    set_clip(20, 10, 200, 150);
    EXPECT_EQ(scripted_calls_since(from),
              "delete_region 1\ncreate_rect_region 20 10 200 150\nselect_clip_region 2\n");
    EXPECT_EQ(clip_rect.left, 20);
    EXPECT_EQ(clip_rect.bottom, 150);
}

}  // namespace
