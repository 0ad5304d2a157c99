// The command line and the environment, and the host at another zoom.
#include "clock/clock.h"
#include "host/zoom.h"
#include "tests/host/host_fixture.h"

namespace {

using ZoomTest = HostTest;

const char* env_zoom;         // PICTAVON_ZOOM, or null
const char* env_full_screen;  // PICTAVON_FULLSCREEN, or null
const char* environment(const char* name) {
    return std::string(name) == "PICTAVON_ZOOM" ? env_zoom : std::string(name) == "PICTAVON_FULLSCREEN" ? env_full_screen : nullptr;
}

// Refusals are checked end to end on both builds (e2e_program.py); these are the rest.
TEST_F(ZoomTest, TheCommandLineComesBeforeTheEnvironmentAndEmptyIsUnset) {
    struct Case {
        std::vector<const char*> argv;
        const char* env;
        int32_t zoom;
        bool rest = false;
        const char* env_full_screen = nullptr;
        bool full_screen = false;
    } const cases[] = {{{"p", "--zoom=8"}, "x", 8}, {{"p", "--zoom", "2", "--rest", "--zoom", "auto"}, "3", zoom_auto, true},
                       {{"p"}, "5", 5}, {{"p"}, "", 1}, {{"p"}, nullptr, 1},
                       {{"p", "--fullscreen"}, nullptr, 1, false, "0", true}, {{"p"}, nullptr, 1, false, "1", true},
                       {{"p"}, nullptr, 1, false, "0", false}};
    for (const Case& c : cases) {
        env_zoom = c.env;
        env_full_screen = c.env_full_screen;
        ParsedOptions parsed = parse_host_options(static_cast<int>(c.argv.size()), c.argv.data(), environment);
        EXPECT_EQ(parsed.options.zoom, c.zoom) << parsed.error;
        EXPECT_EQ(parsed.options.rest, c.rest);
        EXPECT_EQ(parsed.options.full_screen, c.full_screen);
        EXPECT_EQ(parsed.error, "");
    }
    EXPECT_EQ(parse_host_options(2, std::vector<const char*>{"p", "--zoom=03"}.data(), environment).error,
              "bad value '03' for --zoom: it takes 1 to 8 or auto");
    env_full_screen = "yes";
    EXPECT_EQ(parse_host_options(1, std::vector<const char*>{"p"}.data(), environment).error,
              "bad value 'yes' for PICTAVON_FULLSCREEN: it takes 1 or 0");
    env_full_screen = nullptr;
    // Control bytes, C1 controls, stray, overlong and surrogate bytes are escaped; letters stay.
    env_zoom = "\x1b[2J\xc2\x9b\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82\xff\xc0\xaf\xed\xa0\x80\xe9";
    EXPECT_EQ(parse_host_options(1, std::vector<const char*>{"p"}.data(), environment).error,
              "bad value '\\x1B[2J\\xC2\\x9B\xc3\xa9\xe2\x82\xac\xf0\x9f\x99\x82\\xFF\\xC0\\xAF\\xED\\xA0\\x80\\xE9' "
              "for PICTAVON_ZOOM: it takes 1 to 8 or auto");
}

TEST_F(ZoomTest, AutoIsTheLargestZoomWithinThreeQuartersOfTheScreenElse1) {
    EXPECT_EQ(zoom_to_fit(3840, 2160), 8);  // no more than 8
    EXPECT_EQ(zoom_to_fit(1280, 200), 1);   // the height decides; nothing fits: 1
    scripted.screen_cx = 1920;
    scripted.screen_cy = 1080;
    EXPECT_EQ(chosen_zoom(zoom_auto), 5);  // 1200 x 800 within 1440 x 810
    scripted.screen_cx = 0;                // not measurable
    EXPECT_EQ(chosen_zoom(zoom_auto), 1);
}

TEST_F(ZoomTest, AtZoom2TheClientAreaIsDoubledAndPresentsStretchTheSamePicture) {
    host_options.zoom = 2;
    host_options.rest = true;  // given to the frame clock before the routine starts
    scripted.frame_cx = 6;
    scripted.frame_cy = 23;
    scripted_post(WM_CLOSE);
    EXPECT_EQ(host_main(nullptr, 10), 0);
    EXPECT_EQ(wait_frame_rests, 1);
    const std::string calls = scripted_calls_since(0);
    for (const char* step : {"client_size 234 137\nresize_window 486 343\n", "select_clip_region 1\nset_nearest_stretch\n",
                             "fill_black 0 0 480 320\n"})
        EXPECT_NE(calls.find(step), std::string::npos) << step << " in\n" << calls;
    surface.window_dc.store(platform_window_dc(host_window));  // as before the close
    surface.bits[pixel_offset(7, 0)] = 99;
    present();
    EXPECT_EQ(scripted.calls.back(), "stretch_to_window 0 0 480 320 from 240 160");
    ASSERT_EQ(last_present().size(), 160u * 720u);
    EXPECT_EQ(last_present()[720 + 21], 99);  // the source: surface (7, 0) in window row 1
}

TEST_F(ZoomTest, FullScreenIsTheLargestWholeZoomCentredOnAltEnterOrFromTheStart) {
    struct Case {
        int32_t cx, cy, zoom, x, y;
    } const cases[] = {{640, 480, 2, 80, 80}, {1920, 1080, 6, 240, 60}, {15360, 8640, 32, 3840, 1760},
                       {200, 100, 1, -20, -30}};
    for (const Case& c : cases) {
        const PictureView view = full_screen_view(c.cx, c.cy);
        EXPECT_EQ(std::vector<int32_t>({view.zoom, view.x, view.y}), std::vector<int32_t>({c.zoom, c.x, c.y})) << c.cx;
    }
    host_options.full_screen = true;
    scripted.screen_cx = 1920;
    scripted.screen_cy = 1080;
    scripted_post(WM_CLOSE);
    EXPECT_EQ(host_main(nullptr, 10), 0);
    EXPECT_NE(scripted_calls_since(0).find("set_full_screen 1\nset_nearest_stretch\nfill_black 0 0 1920 1080\n"),
              std::string::npos);
    surface.window_dc.store(platform_window_dc(host_window));  // as before the close
    present();
    EXPECT_EQ(scripted.calls.back(), "stretch_to_window 240 60 1440 960 from 240 160");
    // Alt+Enter, once per press: a repeat does not toggle back.
    constexpr intptr_t alt = intptr_t{1} << 29, repeat = intptr_t{1} << 30;
    send(WM_SYSKEYDOWN, VK_RETURN, alt);
    send(WM_SYSKEYDOWN, VK_RETURN, alt | repeat);
    present();
    EXPECT_EQ(scripted.calls.back(), "copy_to_window 0 0 240 160");
    EXPECT_EQ(key_down(VK_RETURN) + take_press(VK_RETURN), 0);
    // Back to full screen; the end of the run leaves it, for the prompt in the title.
    send(WM_SYSKEYDOWN, VK_RETURN, alt);
    scripted.thread_exit_code = 0;
    const size_t before = scripted.calls.size();
    send(WM_TIMER, 1);
    send(WM_TIMER, 1);
    EXPECT_NE(scripted_calls_since(before).find("set_full_screen 0"), std::string::npos);
}

}  // namespace
