// The input state read and taken by a routine on its own thread while the window thread
// writes it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/host.h"
#include "host/input.h"

namespace {

// The window thread presses a key again each time the routine has taken it; every press
// must come back from take_key exactly once, however the two interleave.
TEST(InputThreadsTest, TakeKeyOnTheProgramThreadLosesNoPress) {
    constexpr int32_t slot = 'K';
    constexpr int32_t presses = 20000;
    key_state[slot].store(0);
    std::atomic<bool> done{false};
    std::thread window_thread([&] {
        for (int32_t i = 0; i < presses; ++i) {
            key_state[slot].store(1, std::memory_order_relaxed);
            while (key_state[slot].load(std::memory_order_relaxed) != 0) std::this_thread::yield();
        }
        done.store(true);
    });
    int32_t taken = 0;
    while (!done.load() || key_state[slot].load() != 0) taken += take_key(slot);
    window_thread.join();
    EXPECT_EQ(taken, presses);
    EXPECT_EQ(take_any_key(), 0);
}

// A routine that reads count first finds every character up to it already stored.
TEST(InputThreadsTest, TypedCharactersAreStoredBeforeTheCountShowsThem) {
    char_queue.count.store(0);
    for (auto& c : char_queue.chars) c.store(0);
    std::thread window_thread([] {
        for (int32_t i = 0; i < 300; ++i) queue_char(static_cast<uint8_t>('a' + i % 26));
    });
    int32_t unwritten = 0;
    for (int32_t seen = 0; seen < 255;) {
        seen = char_queue.count.load(std::memory_order_acquire);
        for (int32_t i = 1; i <= seen; ++i)
            unwritten += char_queue.chars[i].load(std::memory_order_relaxed) == 0;
    }
    window_thread.join();
    EXPECT_EQ(unwritten, 0);
    EXPECT_EQ(char_queue.count.load(), 255);
    EXPECT_EQ(char_queue.chars[255].load(), 'a' + 299 % 26);
}

// Two takers race for the characters the window thread types, a batch of 255 distinct
// codes at a time: each must come out exactly once.
TEST(InputThreadsTest, TakeCharGivesEachCharacterToOneTakerOnce) {
    while (take_char() != 0) {
    }
    constexpr int32_t batches = 200;
    std::atomic<int32_t> seen[256] = {};
    std::atomic<int32_t> taken{0};
    auto taker = [&] {
        while (taken.load() < batches * 255) {
            if (uint8_t c = take_char()) {
                seen[c].fetch_add(1);
                taken.fetch_add(1);
            }
        }
    };
    std::thread first(taker), second(taker);
    for (int32_t batch = 1; batch <= batches; ++batch) {
        for (int32_t c = 1; c <= 255; ++c) queue_char(static_cast<uint8_t>(c));
        while (taken.load() < batch * 255) std::this_thread::yield();
    }
    first.join();
    second.join();
    for (int32_t c = 1; c <= 255; ++c) EXPECT_EQ(seen[c].load(), batches) << c;
}

}  // namespace
