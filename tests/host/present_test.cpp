// Where surface pixels live in the pixel array, and where present shows them.
#include "tests/host/host_fixture.h"

#include <cstring>

namespace {

using PresentTest = HostTest;

TEST_F(PresentTest, SurfaceCornersAreWhereTheBottomUpLayoutPutsThem) {
    open_host();
    EXPECT_EQ(pixel_offset(0, 0), 720 * 159);
    EXPECT_EQ(pixel_offset(239, 0), 720 * 159 + 717);
    EXPECT_EQ(pixel_offset(0, 159), 0);
    EXPECT_EQ(pixel_offset(239, 159), 717);
}

TEST_F(PresentTest, WindowRowJShowsArrayRow160MinusJ) {
    open_host();
    // Every array row gets its own mark, and one pixel carries all three colour bytes.
    for (int row = 0; row <= 160; ++row)
        for (int b = 0; b < 720; ++b) surface.bits[row * 720 + b] = static_cast<uint8_t>(row);
    uint8_t* p = surface.bits + pixel_offset(7, 0);
    p[0] = 10;  // blue
    p[1] = 20;  // green
    p[2] = 30;  // red
    present();
    const std::vector<uint8_t>& shown = last_present();
    ASSERT_EQ(shown.size(), 160u * 720u);
    for (int j = 0; j < 160; ++j) EXPECT_EQ(shown[j * 720 + 100], 160 - j) << "window row " << j;
    // Surface (7, 0) is in window row 1, bytes unchanged; surface row 159 (array row 0) is
    // never shown, the spare row (array row 160) is window row 0.
    EXPECT_EQ(shown[720 + 21], 10);
    EXPECT_EQ(shown[720 + 22], 20);
    EXPECT_EQ(shown[720 + 23], 30);
    EXPECT_EQ(shown[0], 160);
    EXPECT_EQ(scripted_calls_since(scripted.calls.size() - 1), "copy_to_window 0 0 240 160\n");
}

TEST_F(PresentTest, WindowlessSurfaceStartsClearWithTheWholeClipRectAndShowsNothing) {
    open_host();
    set_clip(20, 10, 200, 150);
    init_windowless_surface();
    ASSERT_NE(surface.bits, nullptr);
    EXPECT_NE(surface.bits, scripted.dib.data());  // not the window's bitmap
    std::memset(surface.bits, 0xC3, surface_array_bytes);
    init_windowless_surface();  // a second set-up starts from a clear array again
    for (int32_t i = 0; i < surface_array_bytes; ++i) ASSERT_EQ(surface.bits[i], 0) << "byte " << i;
    EXPECT_EQ(surface.width, surface_width);
    EXPECT_EQ(surface.height, surface_height);
    EXPECT_EQ(clip_rect.left, 0);
    EXPECT_EQ(clip_rect.top, 0);
    EXPECT_EQ(clip_rect.right, surface_width);
    EXPECT_EQ(clip_rect.bottom, surface_height);
    const size_t shown = scripted.presents.size();
    present();
    EXPECT_EQ(scripted.presents.size(), shown);
}

}  // namespace
