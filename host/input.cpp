// The input state and the operations on it.
#include "host/input.h"

std::atomic<uint8_t> key_state[256];
CharQueue char_queue;
int32_t wheel_total;

void queue_char(uint8_t c) {
    // Full at 255: the newest character takes the last place rather than being dropped.
    if (char_queue.count < 255) ++char_queue.count;
    char_queue.chars[char_queue.count] = c;
}

uint8_t take_key(int32_t index) {
    std::atomic<uint8_t>& slot = key_state[index & 255];
    uint8_t v = slot.load(std::memory_order_relaxed);
    slot.store(0, std::memory_order_relaxed);  // the window thread is the only writer
    return v;
}

int32_t take_any_key() {
    for (int32_t i = 0; i < 256; ++i) {
        if (take_key(i) != 0) return i;
    }
    return 0;
}
