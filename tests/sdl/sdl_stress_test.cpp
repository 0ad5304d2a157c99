// Holding the program thread 100,000 times while it allocates, reads a file with stdio,
// draws and presents, with the window thread doing a refresh's memory work in each hold
// and showing pictures between holds: no deadlock, no step taken while held, and the
// thread goes on afterwards. Needs a display (ctest runs it on Xvfb).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "platform/messages.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_present.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<uint64_t> steps;
std::atomic<int32_t> faults;
char file_path[256];
constexpr int32_t file_bytes = 4096;
DcHandle window_dc, memory_dc;
uint8_t* bits;

intptr_t quiet_proc(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

void step() { steps.fetch_add(1, std::memory_order_relaxed); }

// The program thread: a step after each piece of work, so a held thread shows at once.
uint32_t busy_routine(void*) {
    uint8_t buffer[file_bytes];
    for (uint32_t round = 1;; ++round) {
        size_t size = 16 + round * 7919 % 65536;
        uint8_t* block = static_cast<uint8_t*>(std::malloc(size));
        step();
        std::memset(block, static_cast<int>(round & 0xFF), size);
        if (block[size - 1] != (round & 0xFF)) faults.fetch_add(1);
        std::free(block);
        step();
        if (FILE* f = std::fopen(file_path, "rb")) {
            size_t got = std::fread(buffer, 1, sizeof buffer, f);
            std::fclose(f);
            if (got != sizeof buffer ||
                buffer[round % file_bytes] != static_cast<uint8_t>(round % file_bytes * 31))
                faults.fetch_add(1);
        } else {
            faults.fetch_add(1);
        }
        step();
        std::memset(bits + round % 161 * 720, static_cast<int>(round), 720);  // draws a row
        platform_copy_to_window(window_dc, 0, 0, 240, 160, memory_dc, 0, 0);
        step();
    }
}

void write_test_file() {
    std::snprintf(file_path, sizeof file_path, "/tmp/pictavon-stress-%d.bin", static_cast<int>(getpid()));
    FILE* f = std::fopen(file_path, "wb");
    ASSERT_NE(f, nullptr);
    for (int32_t i = 0; i < file_bytes; ++i) std::fputc(static_cast<uint8_t>(i * 31), f);
    std::fclose(f);
}

int32_t stress_cycles() {
    const char* text = std::getenv("PICTAVON_STRESS_CYCLES");
    return text != nullptr ? std::atoi(text) : 100000;
}

TEST(Stress, HoldsWhileTheThreadAllocatesReadsAndPresents) {
    write_test_file();
    platform_register_class(nullptr, quiet_proc);
    WindowHandle window = platform_create_window(nullptr, "Stress");
    ASSERT_NE(window, nullptr) << "no display?";
    platform_show_window(window, SW_SHOWDEFAULT);
    platform_start_timer(window, 1, 1);  // so that get_message comes back within a millisecond
    window_dc = platform_window_dc(window);
    memory_dc = platform_create_memory_dc(window_dc);
    BitmapInfoHeader header{40, 240, 161, 1, 24, 0, 0, 0, 0, 0, 0};
    BitmapHandle bitmap = platform_create_dib_section(memory_dc, &header, &bits);
    ASSERT_NE(bitmap, nullptr);
    platform_select_bitmap(memory_dc, bitmap);
    platform_confine_to_first_processor();  // both threads on one processor, as the host runs
    ThreadHandle thread = platform_start_thread(busy_routine);
    ASSERT_NE(thread, nullptr);

    const int32_t cycles = stress_cycles();
    int32_t moved_while_held = 0;
    std::vector<float> hold_us;
    hold_us.reserve(static_cast<size_t>(cycles));
    const uint32_t first_shown = last_show.seq.load();
    const auto start = Clock::now();
    for (int32_t i = 0; i < cycles; ++i) {
        const auto hold_start = Clock::now();
        platform_suspend_thread(thread);
        // A refresh's memory work: invert, present, invert back. Plain memory only: the
        // held thread may own the allocator's or stdio's locks.
        uint64_t before = steps.load(std::memory_order_relaxed);
        for (int32_t b = 0; b < 42; ++b) bits[8 * 720 + b] ^= 0xFF;
        platform_copy_to_window(window_dc, 0, 0, 240, 160, memory_dc, 0, 0);
        for (int32_t b = 0; b < 42; ++b) bits[8 * 720 + b] ^= 0xFF;
        if (steps.load(std::memory_order_relaxed) != before) ++moved_while_held;
        platform_resume_thread(thread);
        hold_us.push_back(std::chrono::duration<float, std::micro>(Clock::now() - hold_start).count());
        if (i % 100 == 99) {  // now and then, the SDL side: show what was presented
            Message msg{};
            platform_get_message(&msg);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    // The thread goes on after the last hold.
    const uint64_t after = steps.load();
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (steps.load() < after + 100 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(steps.load(), after + 100) << "the thread stopped after the holds";
    EXPECT_EQ(moved_while_held, 0);
    EXPECT_EQ(faults.load(), 0);
    EXPECT_NE(last_show.seq.load(), first_shown) << "no picture reached the window";

    std::sort(hold_us.begin(), hold_us.end());
    std::printf(
        "%d holds in %.2f s; suspend + memory work + resume: median %.1f us, p99 %.1f us, "
        "max %.0f us; %llu steps\n",
        cycles, seconds, hold_us[hold_us.size() / 2], hold_us[hold_us.size() * 99 / 100], hold_us.back(),
        static_cast<unsigned long long>(steps.load()));
    std::remove(file_path);
}

}  // namespace

// The program thread never ends: leave without running static destructors under its feet.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::fflush(nullptr);
    _exit(result);
}
