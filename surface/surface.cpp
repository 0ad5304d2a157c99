// Creating the back buffer and showing it in the window.
#include "surface/surface.h"

#include <cstring>
#include <string>

namespace {
// The back buffer until a window gives it one, and for tools with no window at all: a
// routine's test can draw and read pixels with no host, so the fields are right from the start.
uint8_t windowless_pixels[surface_array_bytes];
}  // namespace

Surface surface{{nullptr}, nullptr, nullptr, windowless_pixels, surface_width, surface_height, 0, 0, nullptr};
ClipRect clip_rect{0, 0, surface_width, surface_height};
BitmapInfoHeader bitmap_header;
int32_t window_zoom = 1;
std::atomic<int32_t> misplaced_present;

namespace {

// The view packed into one word: zoom in the low 16 bits, then x and y as 24-bit two's
// complement. 0 (no zoom) stands for the window's own view.
std::atomic<uint64_t> packed_view;

int32_t signed24(uint64_t bits) { return static_cast<int32_t>(static_cast<uint32_t>(bits & 0xFFFFFF) << 8) >> 8; }

}  // namespace

PictureView picture_view() {
    uint64_t packed = packed_view.load(std::memory_order_relaxed);
    if ((packed & 0xFFFF) == 0) return PictureView{window_zoom, 0, 0};
    return PictureView{static_cast<int32_t>(packed & 0xFFFF), signed24(packed >> 16), signed24(packed >> 40)};
}

void set_picture_view(PictureView view) {
    uint64_t packed = static_cast<uint64_t>(view.zoom & 0xFFFF) |
                      static_cast<uint64_t>(static_cast<uint32_t>(view.x) & 0xFFFFFF) << 16 |
                      static_cast<uint64_t>(static_cast<uint32_t>(view.y) & 0xFFFFFF) << 40;
    packed_view.store(packed, std::memory_order_relaxed);
}

namespace {

// A violated precondition is reported and execution goes on.
void assertion_box(const char* condition) {
    std::string text = std::string("Erreur: ") + condition;
    platform_message_box(text.c_str(), "Viredodiz");
}

}  // namespace

void init_surface(WindowHandle window) {
    DcHandle window_dc = platform_window_dc(window);
    surface.window_dc.store(window_dc, std::memory_order_relaxed);
    surface.memory_dc = platform_create_memory_dc(window_dc);
    surface.width = surface_width;
    surface.height = surface_height;
    create_dib(surface.memory_dc, surface.width, surface.height, 24, &surface.hbm, &surface.bits);
    set_clip(0, 0, surface.width, surface.height);
    if (window_zoom > 1) platform_set_nearest_stretch(window_dc);
}

void init_windowless_surface() {
    uint8_t* pixels = windowless_pixels;  // static like the window's bitmap, which lives as long as the process
    std::memset(pixels, 0, surface_array_bytes);
    surface.window_dc.store(nullptr, std::memory_order_relaxed);
    surface.memory_dc = nullptr;
    surface.hbm = nullptr;
    surface.bits = pixels;
    surface.width = surface_width;
    surface.height = surface_height;
    surface.present_x = surface.present_y = 0;
    clip_rect = ClipRect{0, 0, surface_width, surface_height};
}

void create_dib(DcHandle dc, int32_t cx, int32_t cy, int32_t ibitcount, BitmapHandle* hbm,
                uint8_t** bits) {
    if (ibitcount != 8 && ibitcount != 16 && ibitcount != 24)
        assertion_box("(ibitcount == 8) || (ibitcount == 16) || (ibitcount == 24)");
    if (cx <= 0) assertion_box("cx > 0");
    if (cy <= 0) assertion_box("cy > 0");

    // One row taller than asked: the spare row at the top of the bottom-up bitmap is what
    // present's copy from (0, 0) shows in the window's first row.
    std::memset(&bitmap_header, 0, sizeof bitmap_header);
    bitmap_header.biSize = sizeof bitmap_header;
    bitmap_header.biWidth = cx;
    bitmap_header.biHeight = cy + 1;
    bitmap_header.biPlanes = 1;
    bitmap_header.biBitCount = static_cast<uint16_t>(ibitcount);
    bitmap_header.biCompression = 0;  // BI_RGB

    *hbm = platform_create_dib_section(dc, &bitmap_header, bits);
    if (*hbm == nullptr) assertion_box("*hbm");
    if (*bits == nullptr) assertion_box("*bits");
    if (*hbm != nullptr) platform_select_bitmap(dc, *hbm);
}

void set_clip(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    clip_rect = ClipRect{left, top, right, bottom};
    if (surface.clip_region != nullptr) platform_delete_region(surface.clip_region);
    surface.clip_region = platform_create_rect_region(left, top, right, bottom);
    platform_select_clip_region(surface.memory_dc, surface.clip_region);
}

void present() {
    // Always the whole window from the bitmap's top-left: the spare row and surface rows
    // 0..158. Unzoomed, a plain copy, as it always was.
    DcHandle window_dc = surface.window_dc.load(std::memory_order_relaxed);
    const PictureView view = picture_view();
    if (view.zoom == 1) {
        platform_copy_to_window(window_dc, view.x + surface.present_x, view.y + surface.present_y, surface_width,
                                surface_height, surface.memory_dc, 0, 0);
    } else {
        platform_stretch_to_window(window_dc, view.x + surface.present_x * view.zoom,
                                   view.y + surface.present_y * view.zoom, surface_width * view.zoom,
                                   surface_height * view.zoom, surface.memory_dc, 0, 0, surface_width, surface_height);
    }
    const PictureView now = picture_view();
    if (now.zoom != view.zoom || now.x != view.x || now.y != view.y)
        misplaced_present.store(1, std::memory_order_relaxed);
}

void window_row_rgb(int32_t j, uint8_t* rgb) {
    const uint8_t* row = surface.bits + (surface_height - j) * surface_row_bytes;
    for (int32_t x = 0; x < surface_width; ++x) {
        rgb[3 * x] = row[3 * x + 2];
        rgb[3 * x + 1] = row[3 * x + 1];
        rgb[3 * x + 2] = row[3 * x];
    }
}
