// Linked as a routine's author links a test of their own: Pictavon::runtime and the replay
// backend, no program and no property. Timelines written by --record read back as written;
// the surface is usable before any window; save_picture says when it cannot write.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/timeline.h"
#include "pictavon/routine.h"
#include "surface/picture.h"

namespace {

TEST(Timeline, WrittenLinesReadBackAsTheSameEvents) {
    const char* lines[] = {"0 down Left",    "5 up F5",          "5 tap vk186",         "6 type Été #1",
                           "7 char 13",      "8 move 0 -1",      "9 press right",       "9 release middle 239 158",
                           "10 click left 5 6", "11 wheel -3",  "12 leave",            "12 unfocus",
                           "13 close",       "14 down Numpad7", "15 up A",             "16 tap 0"};
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\n";
    std::vector<TimelineEvent> events;
    std::string error;
    ASSERT_TRUE(parse_timeline(text, "t", &events, &error)) << error;
    ASSERT_EQ(events.size(), std::size(lines));
    for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(timeline_line(events[i]), lines[i]);
}

TEST(Timeline, EveryKeyCodeHasANameThatReadsBack) {
    for (int32_t code = 1; code < 256; ++code) {
        std::vector<TimelineEvent> events;
        std::string error;
        ASSERT_TRUE(parse_timeline("0 down " + key_name(code), "t", &events, &error)) << error;
        EXPECT_EQ(events[0].key, code) << key_name(code);
    }
}

TEST(WithoutAWindow, TheSurfaceAndItsClipAreReadyToDrawOn) {
    EXPECT_EQ(clip_rect.right, 240);
    EXPECT_EQ(clip_rect.bottom, 160);
    ASSERT_NE(surface.bits, nullptr);
    draw_text(0, 150, "|", 0xFFFFFF);  // a vertical bar at x 2, on surface rows 150..156
    EXPECT_EQ(surface.bits[pixel_offset(2, 151)], 0xFF);
}

TEST(WithoutAWindow, SavePictureWritesAPngOrSaysItCouldNot) {
    EXPECT_EQ(save_picture("no-such-folder/picture.png"), 0);
    ASSERT_EQ(save_picture("saved.png"), 1);
    std::FILE* file = std::fopen("saved.png", "rb");
    ASSERT_NE(file, nullptr);
    char signature[8] = {};
    EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
    std::fclose(file);
    EXPECT_EQ(std::string(signature, 8), "\x89PNG\r\n\x1a\n");
}

}  // namespace
