// The input state and the operations on it.
#include "host/input.h"

#include "host/host.h"
#include "platform/messages.h"

std::atomic<uint8_t> key_state[256];
CharQueue char_queue;
std::atomic<int32_t> wheel_total;

namespace {

// Per physical key (scan code | extended flag << 8): 1 + the slot its key-down set, or 0
// while it is up or was never seen. Window thread.
constexpr int32_t physical_keys = 512;
uint16_t slot_of_physical[physical_keys];

constexpr uint8_t button_slots[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

bool in_table(int32_t code) { return code >= 0 && code <= 255; }

int32_t physical_key(intptr_t key_data) {
    return static_cast<int32_t>((static_cast<uintptr_t>(key_data) >> 16) & 0x1FF);
}

bool is_button(int32_t slot) {
    for (uint8_t b : button_slots) {
        if (slot == b) return true;
    }
    return false;
}

bool held_by_another_key(int32_t slot) {
    for (uint16_t held : slot_of_physical) {
        if (held == slot + 1) return true;
    }
    return false;
}

void clear_unless_held(int32_t slot) {
    if (in_table(slot) && !held_by_another_key(slot)) key_state[slot].store(0, std::memory_order_relaxed);
}

}  // namespace

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

void press_key(int32_t code, intptr_t key_data) {
    if (!in_table(code)) return;
    key_state[code].store(1, std::memory_order_relaxed);
    // Scan code 0 is what synthesised messages carry: not a key to remember.
    int32_t key = physical_key(key_data);
    if ((key & 0xFF) != 0) slot_of_physical[key] = static_cast<uint16_t>(code + 1);
}

void release_key(int32_t code, intptr_t key_data) {
    int32_t key = physical_key(key_data);
    int32_t remembered = (key & 0xFF) != 0 ? slot_of_physical[key] - 1 : -1;
    if ((key & 0xFF) != 0) slot_of_physical[key] = 0;
    clear_unless_held(remembered);
    clear_unless_held(code);
}

void release_all_keys() {
    for (uint16_t& held : slot_of_physical) held = 0;
    for (int32_t slot = 0; slot < 256; ++slot) {
        if (!is_button(slot)) key_state[slot].store(0, std::memory_order_relaxed);
    }
}

void release_buttons() {
    for (uint8_t b : button_slots) key_state[b].store(0, std::memory_order_relaxed);
}

bool any_button_down() {
    for (uint8_t b : button_slots) {
        if (key_state[b].load(std::memory_order_relaxed) != 0) return true;
    }
    return false;
}
