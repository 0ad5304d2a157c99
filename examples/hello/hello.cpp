// hello: a blue band that the arrow keys move; Escape ends the run.
#include <cstring>

#include "pictavon/routine.h"

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    manual_refresh = 1;  // this routine presents its own frames
    int32_t x = 100;
    start_clock();
    while (take_key(VK_ESCAPE) == 0) {
        if (key_down(VK_LEFT) && x > 0) x -= 2;
        if (key_down(VK_RIGHT) && x < 200) x += 2;
        std::memset(surface.bits, 0, surface_array_bytes);  // black
        for (int32_t y = 40; y < 120; ++y) {
            for (int32_t i = x; i < x + 40; ++i) {
                uint8_t* pixel = surface.bits + pixel_offset(i, y);
                pixel[0] = 255;                           // blue
                pixel[1] = static_cast<uint8_t>(2 * y);  // green
                pixel[2] = 0;                             // red
            }
        }
        present();
        wait_frame(20);
    }
    return 0;  // the host now shows its prompt and closes at the next key or click
}
