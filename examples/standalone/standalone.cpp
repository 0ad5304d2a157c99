// standalone: a colour ramp, shown until Escape ends the run; then a key or a click closes
// the window. A start for a routine of your own.
#include <cstring>

#include "pictavon/routine.h"

uint32_t program_main(void*) {
    if (surface.bits == nullptr) return 1;
    manual_refresh = 1;  // this routine presents its own frame
    std::memset(surface.bits, 0, surface_array_bytes);
    for (int32_t y = 0; y < 160; ++y) {
        for (int32_t x = 0; x < 240; ++x) {
            uint8_t* pixel = surface.bits + pixel_offset(x, y);
            pixel[0] = static_cast<uint8_t>(x);      // blue grows to the right
            pixel[1] = static_cast<uint8_t>(y + 64);  // green grows downwards
            pixel[2] = 128;                           // red
        }
    }
    present();
    start_clock();
    while (take_key(VK_ESCAPE) == 0) wait_frame(20);
    return 0;  // the host keeps the picture, shows its prompt and closes at a key or click
}
