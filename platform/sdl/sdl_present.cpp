// The drawing objects (device contexts, DIB sections, clip regions) and the present: the
// hand-off of pictures from the program thread to the window thread, and showing them.
//
// Threads: the program thread's present only converts into its own slot of a triple buffer,
// swaps it in with one atomic exchange and wakes the window thread: no lock, no allocation,
// no SDL call, since it may be held anywhere in there. The window thread's own presents
// (start-up black, the refresh while the program thread is held) stay in memory until the
// next show_pictures. Every SDL call that reaches SDL's state is the window thread's, made in
// show_pictures; the rest are SDL's rectangle arithmetic, which any thread may do.
#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/platform.h"
#include "platform/sdl/sdl_present.h"
#include "platform/sdl/sdl_host_window.h"
#include "platform/surface_size.h"

ShowRecord last_show;
std::atomic<uint32_t> present_seq;

namespace {

// A window picture, 240 x 160 XRGB8888, top row first, and the rectangle a present wrote.
// A zoomed window shows each picture pixel as a zoom x zoom block, the picture's top-left
// one at `origin` in the window: the rectangle, in picture pixels, covers zoom times as much
// of the window across and down. The enlargement is the window thread's, when it shows the
// picture: a present costs the same at any zoom.
struct Picture {
    uint32_t pixels[surface_width * surface_height];
    SDL_Rect rect;
    int32_t zoom;
    SDL_Point origin;
    uint32_t seq;  // present_seq of the present that wrote it
};

bool same_place(const Picture* p, int32_t zoom, SDL_Point origin) {
    return p->zoom == zoom && p->origin.x == origin.x && p->origin.y == origin.y;
}

// Always 24 bits a pixel: the host makes no other depth.
struct Bitmap {
    int32_t cx, rows, row_bytes;
    uint8_t* bits;  // bottom-up: row 0 is the bottom row
};
struct Dc {
    HostWindow* window;  // a window's context; null for a memory one
    Bitmap* bitmap;      // a memory context's selected bitmap
};
// What every clip region is: nothing draws through one, so they share one token.
char clip_region_token;

constexpr int32_t fresh_bit = 4, slot_mask = 3;

}  // namespace

struct WindowPictures {
    Dc dc;  // the window's device context
    // The program thread's pictures. It owns slots[back]; the window thread owns
    // slots[front]; the third is `ready`, swapped with one atomic exchange by either side,
    // with fresh_bit set while it holds a picture not yet shown.
    Picture* slots[3];
    int32_t back;  // program thread
    std::atomic<int32_t> ready;
    int32_t front;  // window thread
    // The window thread's own presents: its program thread may be held mid-present, so it
    // never touches the hand-off, and its SDL calls wait until the hold is over.
    Picture* staged;
    bool staged_pending;
    // The window surface last drawn on, and its size: a new one (full screen, or back) starts
    // black and shows the last picture again.
    SDL_Surface* surface_seen;
    int32_t seen_cx, seen_cy;
    // Where the last picture shown was: one shown elsewhere (the view changed, and a present
    // placed by the old view may still come after) clears the surface first.
    bool shown_any;
    int32_t shown_zoom;
    SDL_Point shown_origin;
};

namespace {

// Copies the part of cx x cy at (src_x, src_y) of a bottom-up 24-bit bitmap that exists on
// both sides into the picture at (x, y): window row y + j takes bitmap row rows - 1 - src_y
// - j, and the stored bytes blue, green, red become one XRGB pixel. No scaling. Returns false
// when nothing is copied.
bool convert(Picture* p, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b, int32_t src_x,
             int32_t src_y) {
    if (b == nullptr || b->bits == nullptr) return false;
    int32_t i0 = SDL_max(0, SDL_max(-x, -src_x)), i1 = SDL_min(cx, SDL_min(surface_width - x, b->cx - src_x));
    int32_t j0 = SDL_max(0, SDL_max(-y, -src_y)), j1 = SDL_min(cy, SDL_min(surface_height - y, b->rows - src_y));
    if (i0 >= i1 || j0 >= j1) return false;
    for (int32_t j = j0; j < j1; ++j) {
        const uint8_t* src =
            b->bits + static_cast<size_t>(b->rows - 1 - src_y - j) * b->row_bytes + (src_x + i0) * 3;
        uint32_t* dst = &p->pixels[(y + j) * surface_width + x + i0];
        for (int32_t i = i0; i < i1; ++i, src += 3) *dst++ = src[0] | src[1] << 8 | src[2] << 16;
    }
    p->rect = SDL_Rect{x + i0, y + j0, i1 - i0, j1 - j0};
    return true;
}

// The program thread's present: no lock, no allocation, no SDL call. It may be held at
// any point in here; the window thread then just does not see this picture yet.
void hand_off(WindowPictures* w, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b,
              int32_t src_x, int32_t src_y, int32_t zoom, SDL_Point origin) {
    Picture* p = w->slots[w->back];
    if (!convert(p, x, y, cx, cy, b, src_x, src_y)) return;
    p->zoom = zoom;
    p->origin = origin;
    p->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    // Publish the picture and take back whichever slot was waiting: a picture not yet shown
    // is overtaken by this one (every present of the host covers the whole client area).
    w->back = w->ready.exchange(w->back | fresh_bit, std::memory_order_acq_rel) & slot_mask;
    wake_window_thread();
}

// The window thread's present: memory work only, shown by the next show_pictures. A
// pending picture at another zoom or place is overtaken.
void stage(WindowPictures* w, int32_t x, int32_t y, int32_t cx, int32_t cy, const Bitmap* b, int32_t src_x,
           int32_t src_y, int32_t zoom, SDL_Point origin) {
    SDL_Rect before = w->staged->rect;
    if (!convert(w->staged, x, y, cx, cy, b, src_x, src_y)) return;
    if (w->staged_pending && same_place(w->staged, zoom, origin))
        SDL_UnionRect(&before, &w->staged->rect, &w->staged->rect);
    w->staged->zoom = zoom;
    w->staged->origin = origin;
    w->staged->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    w->staged_pending = true;
}

// Window rectangle r of an enlarged picture, within it: window pixel origin + (x, y) shows
// picture pixel (x / zoom, y / zoom). Each picture row is enlarged once, in the surface's
// format, into the first window row it covers, and copied to the others.
void put_enlarged(const Picture* p, const SDL_Rect& r, SDL_Surface* surface) {
    static uint32_t scratch[surface_width * largest_screen_zoom];  // window thread only
    const int32_t z = p->zoom, bytes = surface->format->BytesPerPixel;
    const bool direct = surface->format->format == SDL_PIXELFORMAT_XRGB8888;
    const int32_t rx = r.x - p->origin.x, ry = r.y - p->origin.y;  // from the picture's corner
    uint8_t* left = static_cast<uint8_t*>(surface->pixels) + r.x * bytes + p->origin.y * surface->pitch;
    for (int32_t y = ry; y < ry + r.h;) {
        uint8_t* first = left + y * surface->pitch;
        uint32_t* row = direct ? reinterpret_cast<uint32_t*>(first) : scratch;
        const uint32_t* src = &p->pixels[y / z * surface_width + rx / z];
        for (int32_t i = 0, phase = rx % z; i < r.w; ++i) {
            row[i] = *src;
            if (++phase == z) {
                phase = 0;
                ++src;
            }
        }
        if (!direct)
            SDL_ConvertPixels(r.w, 1, SDL_PIXELFORMAT_XRGB8888, scratch, r.w * 4, surface->format->format, first,
                              surface->pitch);
        const int32_t end = SDL_min((y / z + 1) * z, ry + r.h);
        for (++y; y < end; ++y) std::memcpy(left + y * surface->pitch, first, static_cast<size_t>(r.w) * bytes);
    }
}

void show(HostWindow* w, const Picture* p) {
    assert_may_call_sdl();
    SDL_Surface* surface = SDL_GetWindowSurface(w->sdl);
    if (surface == nullptr) return;
    const int32_t z = p->zoom;
    SDL_Rect whole{0, 0, surface->w, surface->h},
        covered{p->origin.x + p->rect.x * z, p->origin.y + p->rect.y * z, p->rect.w * z, p->rect.h * z}, r{};
    if (!SDL_IntersectRect(&covered, &whole, &r)) return;
    WindowPictures* pictures = w->pictures;
    const bool moved = pictures->shown_any && !same_place(p, pictures->shown_zoom, pictures->shown_origin);
    pictures->shown_any = true;
    pictures->shown_zoom = z;
    pictures->shown_origin = p->origin;
    if (moved) SDL_FillRect(surface, nullptr, 0);
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    if (z == 1) {
        uint8_t* dst =
            static_cast<uint8_t*>(surface->pixels) + r.y * surface->pitch + r.x * surface->format->BytesPerPixel;
        const uint32_t* src = &p->pixels[(r.y - p->origin.y) * surface_width + r.x - p->origin.x];
        SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_XRGB8888, src, surface_width * 4, surface->format->format, dst,
                          surface->pitch);
    } else {
        put_enlarged(p, r, surface);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurfaceRects(w->sdl, moved ? &whole : &r, 1);  // returns once the X server has it
    last_show.seq.store(p->seq, std::memory_order_relaxed);
    last_show.shown_counter.store(platform_counter(), std::memory_order_relaxed);
}

HostWindow* window_of_dc(DcHandle dc) { return dc != nullptr ? reinterpret_cast<Dc*>(dc)->window : nullptr; }

// Whether the window surface is not the one last drawn on (the window went full screen or
// came back): it is then made all black first, since a border may show beside the picture.
bool new_window_surface(HostWindow* w) {
    assert_may_call_sdl();
    SDL_Surface* surface = SDL_GetWindowSurface(w->sdl);
    WindowPictures* pictures = w->pictures;
    if (surface == nullptr ||
        (surface == pictures->surface_seen && surface->w == pictures->seen_cx && surface->h == pictures->seen_cy))
        return false;
    const bool first = pictures->surface_seen == nullptr;
    pictures->surface_seen = surface;
    pictures->seen_cx = surface->w;
    pictures->seen_cy = surface->h;
    if (first) return false;  // the start-up black is the host's
    SDL_FillRect(surface, nullptr, 0);
    SDL_UpdateWindowSurface(w->sdl);
    return true;
}

}  // namespace

WindowPictures* create_pictures(HostWindow* w) {
    WindowPictures* pictures = new WindowPictures{};  // lives as long as the process
    pictures->dc.window = w;
    for (Picture*& slot : pictures->slots) slot = new Picture{};
    pictures->staged = new Picture{};
    for (Picture* p : {pictures->slots[0], pictures->slots[1], pictures->slots[2], pictures->staged}) p->zoom = 1;
    pictures->back = 0;
    pictures->front = 1;
    pictures->ready.store(2, std::memory_order_relaxed);
    return pictures;
}

// Shows the older picture first when both threads presented.
void show_pictures(HostWindow* w) {
    if (!window_alive(w)) return;
    WindowPictures* pictures = w->pictures;
    const Picture* handed = nullptr;
    if (pictures->ready.load(std::memory_order_relaxed) & fresh_bit) {
        pictures->front = pictures->ready.exchange(pictures->front, std::memory_order_acq_rel) & slot_mask;
        handed = pictures->slots[pictures->front];
    }
    const Picture* staged = pictures->staged_pending ? pictures->staged : nullptr;
    pictures->staged_pending = false;
    if (handed && staged && static_cast<int32_t>(handed->seq - staged->seq) > 0) std::swap(handed, staged);
    if (new_window_surface(w) && handed == nullptr && pictures->slots[pictures->front]->seq != 0)
        handed = pictures->slots[pictures->front];  // the last picture handed off, once more
    if (handed) show(w, handed);
    if (staged) show(w, staged);
}

void drop_staged_pictures(HostWindow* w) { w->pictures->staged_pending = false; }

// ---- Drawing objects ------------------------------------------------------------------------

DcHandle platform_window_dc(WindowHandle window) {
    HostWindow* w = window_of(window);
    return w != nullptr ? reinterpret_cast<DcHandle>(&w->pictures->dc) : nullptr;
}

DcHandle platform_create_memory_dc(DcHandle) { return reinterpret_cast<DcHandle>(new Dc{}); }

BitmapHandle platform_create_dib_section(DcHandle, const BitmapInfoHeader* header, uint8_t** bits) {
    *bits = nullptr;
    int32_t cx = header->biWidth, rows = header->biHeight, depth = header->biBitCount;
    // Bottom-up 24-bit bitmaps of a sane size only: the one kind the host makes and present
    // shows.
    if (cx <= 0 || rows <= 0 || cx > 16384 || rows > 16384 || depth != 24) return nullptr;
    int32_t row_bytes = (cx * depth + 31) / 32 * 4;
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(row_bytes) * rows, 1));
    if (pixels == nullptr) return nullptr;
    *bits = pixels;
    return reinterpret_cast<BitmapHandle>(new Bitmap{cx, rows, row_bytes, pixels});
}

void platform_select_bitmap(DcHandle dc, BitmapHandle bitmap) {
    if (dc != nullptr) reinterpret_cast<Dc*>(dc)->bitmap = reinterpret_cast<Bitmap*>(bitmap);
}

// Nothing draws through a clip region: the pixel writers write the array directly and
// clip themselves. A region only has to be a handle that is not null.
RegionHandle platform_create_rect_region(int32_t, int32_t, int32_t, int32_t) {
    return reinterpret_cast<RegionHandle>(&clip_region_token);
}
void platform_select_clip_region(DcHandle, RegionHandle) {}
void platform_delete_region(RegionHandle) {}

// ---- Presents -------------------------------------------------------------------------------

// Start-up only, on the window thread: black goes the way of the window thread's presents.
// Black is black at any size: the fill is kept at the smallest zoom whose picture reaches the
// rectangle's far corner, rounded outwards, which makes the host's one fill, the whole
// client area at its zoom, exact.
void platform_fill_black(DcHandle dc, int32_t x, int32_t y, int32_t cx, int32_t cy) {
    HostWindow* w = window_of_dc(dc);
    if (w == nullptr || !on_window_thread()) return;
    Picture* staged = w->pictures->staged;
    SDL_Rect asked{x, y, cx, cy}, whole{0, 0, surface_width * largest_zoom, surface_height * largest_zoom}, in{};
    if (!SDL_IntersectRect(&asked, &whole, &in)) return;
    const int32_t z = SDL_max((in.x + in.w + surface_width - 1) / surface_width, (in.y + in.h + surface_height - 1) / surface_height);
    SDL_Rect r{in.x / z, in.y / z, 0, 0};
    r.w = (in.x + in.w + z - 1) / z - r.x;
    r.h = (in.y + in.h + z - 1) / z - r.y;
    for (int32_t j = r.y; j < r.y + r.h; ++j) std::memset(&staged->pixels[j * surface_width + r.x], 0, r.w * 4u);
    if (w->pictures->staged_pending && same_place(staged, z, SDL_Point{0, 0})) SDL_UnionRect(&staged->rect, &r, &r);
    staged->rect = r;
    staged->zoom = z;
    staged->origin = SDL_Point{0, 0};
    staged->seq = present_seq.fetch_add(1, std::memory_order_relaxed) + 1;
    w->pictures->staged_pending = true;
}

namespace {

// Either thread: the window thread's present is staged, the program thread's handed off.
// (x, y) in picture pixels, which the window shows zoom times larger.
// The picture's pixels are the bitmap's own places, src_x, src_y on; the window shows
// source (src_x, src_y) at window (x, y).
void present_zoomed(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy, DcHandle memory_dc,
                    int32_t src_x, int32_t src_y, int32_t zoom) {
    HostWindow* w = window_of_dc(window_dc);
    const Bitmap* b = memory_dc != nullptr ? reinterpret_cast<Dc*>(memory_dc)->bitmap : nullptr;
    if (w == nullptr || b == nullptr) return;
    const SDL_Point origin{x - src_x * zoom, y - src_y * zoom};
    if (on_window_thread())
        stage(w->pictures, src_x, src_y, cx, cy, b, src_x, src_y, zoom, origin);
    else
        hand_off(w->pictures, src_x, src_y, cx, cy, b, src_x, src_y, zoom, origin);
}

}  // namespace

void platform_copy_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                             DcHandle memory_dc, int32_t src_x, int32_t src_y) {
    present_zoomed(window_dc, x, y, cx, cy, memory_dc, src_x, src_y, 1);
}

// Every pixel is enlarged alike, block by block: nothing else to choose.
void platform_set_nearest_stretch(DcHandle) {}

// Whole factors up to largest_screen_zoom only, the same both ways, to any place: the host's
// only kind. Anything else draws nothing.
void platform_stretch_to_window(DcHandle window_dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                DcHandle memory_dc, int32_t src_x, int32_t src_y, int32_t src_cx,
                                int32_t src_cy) {
    if (src_cx <= 0 || src_cy <= 0) return;
    const int32_t z = cx / src_cx;
    if (z < 1 || z > largest_screen_zoom || cx != z * src_cx || cy != z * src_cy) return;
    present_zoomed(window_dc, x, y, src_cx, src_cy, memory_dc, src_x, src_y, z);
}

// The refresh holds the program thread still here, and inverts the cursor in place.
int32_t platform_present_unheld(DcHandle, int32_t, int32_t, int32_t, int32_t) { return 0; }
