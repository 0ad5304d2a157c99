// The input state and the operations on it.
#include "host/input.h"

#include "host/host.h"

std::atomic<uint8_t> key_state[256];
CharQueue char_queue;
std::atomic<int32_t> wheel_total;

void queue_char(uint8_t c) {
    // Full at 255: the newest character takes the last place rather than being dropped.
    int32_t count = char_queue.count.load(std::memory_order_relaxed);
    int32_t position = count < 255 ? count + 1 : 255;
    char_queue.chars[position].store(c, std::memory_order_relaxed);
    char_queue.count.store(position, std::memory_order_release);
}

uint8_t take_key(int32_t index) {
    return key_state[index & 255].exchange(0, std::memory_order_relaxed);
}

int32_t take_any_key() {
    for (int32_t i = 0; i < 256; ++i) {
        if (take_key(i) != 0) return i;
    }
    return 0;
}
