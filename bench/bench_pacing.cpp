// Frame pacing on the real counter: wait_frame(20) over 500 periods (10 s per benchmark),
// and how late each call returns after its grid point (frame_start after the call):
// median, 99th percentile and maximum, in microseconds. Run by hand, on an idle machine and
// with the other processor busy, e.g.
//
//   taskset -c 0 build/bench/bench_pacing
//   taskset -c 1 timeout 60 sh -c 'yes > /dev/null' & taskset -c 0 build/bench/bench_pacing
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "clock/clock.h"
#include "demo/floor.h"
#include "demo/tables.h"
#include "platform/platform.h"

namespace {

constexpr int periods = 500;

// One run of `periods` calls of wait_frame(20); `work` runs before each call, as the drawn
// frame does in the scene loop.
template <typename Work>
void pace(benchmark::State& state, Work work) {
    std::vector<double> late_us;
    late_us.reserve(periods);
    int late_flags = 0;
    for (auto _ : state) {
        start_clock();
        for (int k = 0; k < periods; ++k) {
            if (frame_late == 0) work(k);
            wait_frame(20);
            const int64_t returned = platform_counter();
            late_us.push_back(static_cast<double>(returned - frame_start) * 1e6 /
                              static_cast<double>(counter_frequency));
            late_flags += frame_late;
        }
    }
    std::sort(late_us.begin(), late_us.end());
    const auto at = [&](double q) { return late_us[static_cast<size_t>(q * static_cast<double>(late_us.size() - 1))]; };
    state.counters["late_median_us"] = at(0.5);
    state.counters["late_p99_us"] = at(0.99);
    state.counters["late_max_us"] = late_us.back();
    state.counters["over_1ms"] = static_cast<double>(
        std::count_if(late_us.begin(), late_us.end(), [](double us) { return us > 1000; }));
    state.counters["frame_late_1"] = late_flags;
}

void BM_WaitFrame20(benchmark::State& state) {
    pace(state, [](int) {});
}

// With a drawn frame's floor before each wait (render_floor; the rest of a frame is about
// as much again): the loop as the demo runs it, less the window.
void BM_WaitFrame20WithFloor(benchmark::State& state) {
    pace(state, [](int k) { render_floor(6144, 5120, 6144, (32 + 2 * k) & 255); });
}

BENCHMARK(BM_WaitFrame20)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_WaitFrame20WithFloor)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    build_tables();
    init_floor_pixels();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
