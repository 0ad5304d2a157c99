// The demo's program routine: a tiled floor in perspective under a camera that the arrow
// keys and A, R, C, E steer, drawn every 20 ms.
#include "demo/scene.h"

#include <cstring>

#include "demo/floor.h"
#include "demo/tables.h"
#include "pictavon/routine.h"

namespace {

// Camera steps are taken in double precision and truncated toward zero, so that a step
// forward and one back are the same size and the camera comes back exactly where it was:
// 2896 * 0.06 = 173.76 moves 173, -2896 * 0.06 moves -173 (rounding down would move -174).
int32_t step_along(int32_t table_value) { return static_cast<int32_t>(table_value * 0.06); }

// Camera coordinates wrap modulo 2^32 rather than overflow.
int32_t wrapping_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Composition. A floor colour's bits 16-23, 8-15 and 0-7 become a pixel's stored bytes 0, 1
// and 2. stored_bytes gives a number whose bytes, least significant first, are those three:
// the colour's byte swap (one instruction, as compilers emit it) shifted down a byte.
inline uint32_t stored_bytes(uint32_t colour) {
    const uint32_t swapped =
        (colour >> 24) | ((colour >> 8) & 0xFF00u) | ((colour << 8) & 0xFF0000u) | (colour << 24);
    return swapped >> 8;
}

// Byte by byte, least significant first: compilers merge these into one store.
inline void put_8_bytes(uint8_t* dst, uint64_t bytes) {
    dst[0] = static_cast<uint8_t>(bytes);
    dst[1] = static_cast<uint8_t>(bytes >> 8);
    dst[2] = static_cast<uint8_t>(bytes >> 16);
    dst[3] = static_cast<uint8_t>(bytes >> 24);
    dst[4] = static_cast<uint8_t>(bytes >> 32);
    dst[5] = static_cast<uint8_t>(bytes >> 40);
    dst[6] = static_cast<uint8_t>(bytes >> 48);
    dst[7] = static_cast<uint8_t>(bytes >> 56);
}

inline void put_4_bytes(uint8_t* dst, uint32_t bytes) {
    dst[0] = static_cast<uint8_t>(bytes);
    dst[1] = static_cast<uint8_t>(bytes >> 8);
    dst[2] = static_cast<uint8_t>(bytes >> 16);
    dst[3] = static_cast<uint8_t>(bytes >> 24);
}

// Copies count colours to count 3-byte pixels, leaving out those whose low byte is the
// colour key.
void copy_keyed(const uint32_t* colour, uint8_t* dst, int32_t count) {
    for (int32_t c = 0; c < count; ++c) {
        const uint32_t v = colour[c];
        if ((v & 0xFF) == colour_key) continue;
        dst[3 * c] = static_cast<uint8_t>(v >> 16);
        dst[3 * c + 1] = static_cast<uint8_t>(v >> 8);
        dst[3 * c + 2] = static_cast<uint8_t>(v);
    }
}

// The same for colours none of which is keyed: four pixels (12 bytes) at a time.
void copy_unkeyed(const uint32_t* colour, uint8_t* dst, int32_t count) {
    int32_t c = 0;
    for (; c + 4 <= count; c += 4, dst += 12) {
        const uint64_t p0 = stored_bytes(colour[c]), p1 = stored_bytes(colour[c + 1]);
        const uint64_t p2 = stored_bytes(colour[c + 2]), p3 = stored_bytes(colour[c + 3]);
        put_8_bytes(dst, p0 | p1 << 24 | p2 << 48);
        put_4_bytes(dst + 8, static_cast<uint32_t>(p2 >> 16 | p3 << 8));
    }
    copy_keyed(colour + c, dst, count - c);
}

// Whether count colours are all 0 (black, unkeyed: the floor's rows above the horizon).
bool all_black(const uint32_t* colour, int32_t count) {
    static const uint32_t black_row[floor_width] = {};
    return colour[0] == 0 && std::memcmp(colour, black_row, static_cast<size_t>(count) * sizeof *colour) == 0;
}

void turn(Camera& camera, int32_t units) {
    camera.view_angle = static_cast<uint8_t>(camera.view_angle + units);
    camera.back_angle = static_cast<uint8_t>(camera.back_angle + units);
    camera.side_angle = static_cast<uint8_t>(camera.side_angle + units);
}

// Lowering acts from 1229 up and takes 410; raising acts up to 6963 and gives 409.
void lower(Camera& camera) {
    if (camera.y >= 1228.8) camera.y = static_cast<int32_t>(camera.y - 409.6);
}

void raise(Camera& camera) {
    if (camera.y < 6963.2) camera.y = static_cast<int32_t>(camera.y + 409.6);
}

}  // namespace

void move_camera(int32_t& x, int32_t& z, int32_t angle) {
    x = wrapping_add(x, step_along(sine_table[angle & 255]));
    z = wrapping_add(z, step_along(sine_table[(angle + 64) & 255]));
}

void apply_controls(Camera& camera) {
    if (key_down(VK_LEFT)) turn(camera, -2);
    if (key_down(VK_RIGHT)) turn(camera, 2);
    if (key_down(VK_UP)) move_camera(camera.x, camera.z, camera.view_angle);
    if (key_down(VK_DOWN)) move_camera(camera.x, camera.z, camera.back_angle);
    if (key_down('C')) lower(camera);
    if (key_down('E')) raise(camera);
    if (key_down('A')) move_camera(camera.x, camera.z, (camera.view_angle - 64) & 255);
    if (key_down('R')) move_camera(camera.x, camera.z, camera.side_angle);
}

void compose_floor() {
    if (surface.bits == nullptr) return;
    for (int32_t r = 0; r < floor_height; ++r) {
        int32_t y = clip_rect.top + r;
        if (y < 0 || y >= clip_rect.bottom) continue;
        // The columns whose surface x lies within [0, right): the same test as per pixel.
        int32_t first = clip_rect.left < 0 ? -clip_rect.left : 0;
        int32_t last = clip_rect.right - clip_rect.left;
        if (last > floor_width) last = floor_width;
        if (last <= first) continue;
        const uint32_t* colour = floor_pixels + r * floor_width + first;
        uint8_t* dst = surface.bits + (pixel_offset(clip_rect.left, y) + 3 * first);
        const int32_t count = last - first;
        // Quick scans pick the row's fastest exact copy: a black row (the sky) is zeros, and a
        // row with no byte equal to the key anywhere has no keyed colour (the floor's own
        // colours hold no such byte), so it goes four pixels at a time.
        if (all_black(colour, count))
            std::memset(dst, 0, 3 * static_cast<size_t>(count));
        else if (std::memchr(colour, colour_key, static_cast<size_t>(count) * sizeof *colour) == nullptr)
            copy_unkeyed(colour, dst, count);
        else
            copy_keyed(colour, dst, count);
    }
}

void draw_frame(const Camera& camera, Sprite* sprite) {
    if (surface.bits != nullptr)
        std::memset(surface.bits, 0, static_cast<size_t>(surface.height + 1) * surface.width * 3);
    if (sprite != nullptr) sprite->x = sprite->y = -16;
    if (floor_pixels != nullptr) {
        render_floor(camera.x, camera.y, camera.z, camera.view_angle);
        compose_floor();
    }
    if (sprite != nullptr) blit_sprite(sprite->x, sprite->y, sprite->cx, sprite->cy, sprite->bits);
}

uint32_t program_main(void*) {
    // Without "balle.bmp" the floor is drawn alone.
    Sprite* sprite = load_sprite("balle.bmp");
    build_tables();
    init_floor_pixels();
    Camera camera = start_camera;
    manual_refresh.store(1, std::memory_order_relaxed);
    start_clock();
    for (;;) {
        if (frame_late == 0) {
            draw_frame(camera, sprite);
            present();
        }
        wait_frame(frame_period_ms);
        apply_controls(camera);
    }
}
