// Present latency through the real host: from the program thread's present to the moment
// the X server has the picture (SDL's window-surface update returns after an XSync). Prints
// the median, 99th percentile and maximum; fails only when a picture never arrives, since
// a shared machine's scheduling makes any tight bound flaky. With --zoom N, on a window N
// times larger, whose enlargement the window thread makes as it shows each picture.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <unistd.h>

#include "host/host.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_present.h"
#include "surface/surface.h"

namespace {

constexpr int32_t presents = 1000;

double to_us(int64_t ticks) {
    return 1e6 * static_cast<double>(ticks) / static_cast<double>(platform_counter_frequency());
}

// Until the window thread has shown present number seq; false after a second.
bool wait_until_shown(uint32_t seq) {
    const int64_t deadline = platform_counter() + platform_counter_frequency();
    while (static_cast<int32_t>(last_show.seq.load() - seq) < 0) {
        if (platform_counter() > deadline) return false;
        // Sleep rather than spin: both threads share one processor.
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return true;
}

}  // namespace

uint32_t program_main(void*) {
    manual_refresh.store(1, std::memory_order_relaxed);
    std::vector<int64_t> latencies;
    int32_t lost = 0;
    for (int32_t i = 0; i < presents; ++i) {
        std::memset(surface.bits, i & 0xFF, surface_array_bytes);
        const int64_t start = platform_counter();
        present();
        const uint32_t seq = present_seq.load();  // the only presenter: this is ours
        if (!wait_until_shown(seq)) {
            ++lost;
            continue;
        }
        latencies.push_back(last_show.shown_counter.load() - start);
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + i * 7919 % 3000));  // no queueing
    }
    if (FILE* samples = std::getenv("PICTAVON_SAMPLES") ? std::fopen(std::getenv("PICTAVON_SAMPLES"), "w") : nullptr) {
        for (int64_t ns : latencies) std::fprintf(samples, "%.3f\n", to_us(ns) / 1000);  // ms, for bench/plot.py
        std::fclose(samples);
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty())
        std::printf("present to X server at zoom %d over %zu presents: median %.0f us, p99 %.0f us, max %.0f us\n",
                    static_cast<int>(window_zoom), latencies.size(), to_us(latencies[latencies.size() / 2]),
                    to_us(latencies[latencies.size() * 99 / 100]), to_us(latencies.back()));
    std::printf("%d presents never shown\n", lost);
    std::fflush(stdout);
    _exit(lost == 0 && !latencies.empty() ? 0 : 1);
}

int main(int argc, char** argv) {
    ParsedOptions parsed = parse_host_options(argc, argv, [](const char*) -> const char* { return nullptr; });
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "sdl_present_latency: %s\n", parsed.error.c_str());
        _exit(2);
    }
    host_options = parsed.options;
    host_main(nullptr, SW_SHOWDEFAULT);
    std::fprintf(stderr, "the window closed before the measurement ended\n");
    _exit(1);
}
