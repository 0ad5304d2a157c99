// The input state: keys and buttons held, characters typed, wheel movement.
#pragma once

#include <atomic>
#include <cstdint>

// 1 while the key or mouse button with that virtual-key code is down. Written by the
// window thread, polled byte by byte by the program thread: relaxed atomics, which compile
// to the plain byte moves the polling relies on.
extern std::atomic<uint8_t> key_state[256];

inline uint8_t key_down(int32_t code) {
    return key_state[code & 255].load(std::memory_order_relaxed);
}

// Characters typed, at positions 1 to count; position 0 is never written. Window thread.
struct CharQueue {
    int32_t count;
    uint8_t chars[256];
};
extern CharQueue char_queue;

// Sum of the negated wheel deltas: one notch away from the user subtracts 120. Window thread.
extern int32_t wheel_total;

// Window thread: appends a character; once 255 are held the newest replaces the 255th.
void queue_char(uint8_t c);
// Window thread: the slot at index mod 256, which is then cleared.
uint8_t take_key(int32_t index);
// Window thread: the first set slot, cleared; 0 when no slot from 1 to 255 is set.
int32_t take_any_key();
