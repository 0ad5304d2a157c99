// The input state and the operations on it.
#include "host/input.h"

#include "host/host.h"
#include "platform/messages.h"
#include "surface/back_buffer.h"

std::atomic<uint8_t> key_state[256];
CharQueue char_queue;
std::atomic<int32_t> wheel_total;
std::atomic<int32_t> mouse_x, mouse_y, mouse_in;

namespace {

// Per physical key (scan code | extended flag << 8): 1 + the slot its key-down set, or 0
// while it is up or was never seen. Window thread.
constexpr int32_t physical_keys = 512;
uint16_t slot_of_physical[physical_keys];

constexpr uint8_t button_slots[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};

// Downs per slot since take_press last emptied it. Window thread adds, either thread takes.
std::atomic<uint32_t> press_counts[256];

// Typed characters not yet taken: the window thread writes at `written`, takers advance
// `taken`; both only grow (mod 2^32), and written - taken never exceeds the ring's size, so a
// slot is not written again until it has been taken.
constexpr uint32_t char_ring_size = 256;
struct CharRing {
    std::atomic<uint8_t> chars[char_ring_size];
    std::atomic<uint32_t> written, taken;
};
CharRing char_ring;

// Key messages' lParam bit 30: the key was already down, an auto-repeat.
constexpr uintptr_t previous_state_bit = uintptr_t{1} << 30;

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
    // The takers' ring drops what does not fit instead: what is taken stays in order.
    uint32_t written = char_ring.written.load(std::memory_order_relaxed);
    if (written - char_ring.taken.load(std::memory_order_acquire) >= char_ring_size) return;
    char_ring.chars[written % char_ring_size].store(c, std::memory_order_relaxed);
    char_ring.written.store(written + 1, std::memory_order_release);
}

uint8_t take_char() {
    uint32_t taken = char_ring.taken.load(std::memory_order_acquire);
    // Takers on both threads race only for `taken`: the character read before a successful
    // exchange cannot have been overwritten, since the writer waits for `taken` to pass it.
    while (taken != char_ring.written.load(std::memory_order_acquire)) {
        uint8_t c = char_ring.chars[taken % char_ring_size].load(std::memory_order_relaxed);
        if (char_ring.taken.compare_exchange_weak(taken, taken + 1, std::memory_order_acq_rel)) return c;
    }
    return 0;
}

uint32_t take_all_presses() {
    uint32_t presses = 0;
    for (auto& count : press_counts) presses += count.exchange(0, std::memory_order_relaxed);
    return presses;
}

uint32_t take_press(int32_t code) { return press_counts[code & 255].exchange(0, std::memory_order_relaxed); }

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
    if ((static_cast<uintptr_t>(key_data) & previous_state_bit) == 0)
        press_counts[code].fetch_add(1, std::memory_order_relaxed);
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

void press_button(uint8_t slot) {
    key_state[slot].store(1, std::memory_order_relaxed);
    press_counts[slot].fetch_add(1, std::memory_order_relaxed);
}

void move_pointer(int32_t x, int32_t y, int32_t zoom) {
    // Floor division: a captured pointer left of or above the window has negative places.
    auto surface_place = [zoom](int32_t v) { return (v >= 0 ? v : v - (zoom - 1)) / zoom; };
    int32_t sx = surface_place(x), sy = surface_place(y);
    bool inside = sx >= 0 && sx < surface_width && sy >= 0 && sy < surface_height;
    // Window row j shows surface row j - 1.
    mouse_x.store(sx < 0 ? 0 : sx >= surface_width ? surface_width - 1 : sx, std::memory_order_relaxed);
    mouse_y.store((sy < 0 ? 0 : sy >= surface_height ? surface_height - 1 : sy) - 1, std::memory_order_relaxed);
    mouse_in.store(inside ? 1 : 0, std::memory_order_relaxed);
}

void pointer_left() { mouse_in.store(0, std::memory_order_relaxed); }

bool any_button_down() {
    for (uint8_t b : button_slots) {
        if (key_state[b].load(std::memory_order_relaxed) != 0) return true;
    }
    return false;
}
