// The command line and the environment, and the host at another zoom.
#include "host/zoom.h"
#include "tests/host/host_fixture.h"

namespace {

using ZoomTest = HostTest;

struct OptionCase {
    std::vector<const char*> args;
    const char* env_zoom;  // PICTAVON_ZOOM, or null
    int32_t zoom;          // -1: refused
    const char* error;     // a part of the refusal's line
};

const char* env_zoom;
const char* environment(const char* name) { return std::string(name) == "PICTAVON_ZOOM" ? env_zoom : nullptr; }

TEST_F(ZoomTest, OptionsTakeOneToEightOrAutoAndTheCommandLineBeforeTheEnvironment) {
    const OptionCase cases[] = {
        {{}, nullptr, 1, ""},
        {{"--zoom", "3"}, nullptr, 3, ""},
        {{"--zoom=8"}, nullptr, 8, ""},
        {{"--zoom", "auto"}, "2", zoom_auto, ""},
        {{"--zoom", "2", "--zoom", "4"}, nullptr, 4, ""},
        {{}, "5", 5, ""},
        {{}, "", 1, ""},
        {{"--zoom", "0"}, nullptr, -1, "bad value '0' for --zoom: it takes 1 to 8 or auto"},
        {{"--zoom", "9"}, nullptr, -1, "it takes 1 to 8 or auto"},
        {{"--zoom", "03"}, nullptr, -1, "it takes 1 to 8 or auto"},
        {{"--zoom"}, nullptr, -1, "--zoom needs a value: 1 to 8 or auto"},
        {{"--zoomy"}, nullptr, -1, "unknown argument '--zoomy': the options are --zoom (1 to 8 or auto)"},
        {{"3"}, nullptr, -1, "unknown argument '3'"},
        {{}, "big", -1, "bad value 'big' for PICTAVON_ZOOM: it takes 1 to 8 or auto"},
    };
    for (const OptionCase& c : cases) {
        std::vector<const char*> argv{"pictavon"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        env_zoom = c.env_zoom;
        ParsedOptions parsed = parse_host_options(static_cast<int>(argv.size()), argv.data(), environment);
        SCOPED_TRACE(c.args.empty() ? std::string("env ") + (c.env_zoom ? c.env_zoom : "unset") : c.args[0]);
        EXPECT_EQ(parsed.error.empty() ? parsed.options.zoom : -1, c.zoom) << parsed.error;
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
    }
}

TEST_F(ZoomTest, AutoIsTheLargestZoomWithinThreeQuartersOfTheScreenElse1) {
    EXPECT_EQ(zoom_to_fit(640, 480), 2);     // 480 x 320 within 480 x 360
    EXPECT_EQ(zoom_to_fit(1920, 1080), 5);   // 1200 x 800 within 1440 x 810
    EXPECT_EQ(zoom_to_fit(3840, 2160), 8);   // no more than 8
    EXPECT_EQ(zoom_to_fit(1280, 200), 1);    // the height decides
    EXPECT_EQ(zoom_to_fit(319, 1000), 1);    // nothing fits: 1 all the same
    scripted.screen_cx = 1920;
    scripted.screen_cy = 1080;
    EXPECT_EQ(chosen_zoom(zoom_auto), 5);
    EXPECT_EQ(chosen_zoom(3), 3);
    scripted.screen_cx = 0;  // not measurable
    EXPECT_EQ(chosen_zoom(zoom_auto), 1);
}

TEST_F(ZoomTest, AtZoom2TheClientAreaIsDoubledAndPresentsStretchTheSamePicture) {
    host_options.zoom = 2;
    scripted.frame_cx = 6;
    scripted.frame_cy = 23;
    scripted_post(WM_CLOSE);
    EXPECT_EQ(host_main(nullptr, 10), 0);
    const std::string calls = scripted_calls_since(0);
    EXPECT_NE(calls.find("client_size 234 137\nresize_window 486 343\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("select_clip_region 1\nset_nearest_stretch\n"), std::string::npos) << calls;
    EXPECT_NE(calls.find("fill_black 0 0 480 320\n"), std::string::npos) << calls;
    EXPECT_EQ(scripted.outer_cx - scripted.frame_cx, 480);
    surface.window_dc.store(platform_window_dc(host_window));  // as before the close
    surface.bits[pixel_offset(7, 0)] = 99;
    present();
    EXPECT_EQ(scripted.calls.back(), "stretch_to_window 0 0 480 320 from 240 160");
    ASSERT_EQ(last_present().size(), 160u * 720u);
    EXPECT_EQ(last_present()[720 + 21], 99);  // the source: surface (7, 0) in window row 1
}

}  // namespace
