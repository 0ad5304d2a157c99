// What a drawn frame costs: render_floor alone, the whole frame's computation (clear the
// 161 x 720-byte pixel array, render the floor, compose it into the bottom-up picture), and
// the same with a plain floating-point renderer, with a summary at the end: microseconds
// per frame, share of the 20 ms period, floor pixels per second, and float/fixed ratios.
//
//   build/bench/bench_frame [--benchmark_repetitions=10 --benchmark_report_aggregates_only=true]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/column_floor.h"
#include "bench/float_floor.h"
#include "demo/floor.h"
#include "demo/scene.h"
#include "demo/tables.h"
#include "images/bmp.h"
#include "surface/draw.h"
#include "surface/surface.h"

namespace {

constexpr double period_seconds = 0.020;
constexpr int64_t floor_pixel_count = 99 * 240;  // rows 60..158
constexpr size_t picture_bytes = surface_array_bytes;  // the pixel array, spare row included

// The start camera, turning 2 units a frame so that successive frames differ as in a run.
int32_t heading_of(int64_t frame) { return static_cast<int32_t>((32 + 2 * frame) & 255); }

// Floor pixels per second (the share of the 20 ms period is in the summary at the end).
void add_counters(benchmark::State& state) {
    using benchmark::Counter;
    state.counters["floor_px/s"] = Counter(floor_pixel_count, Counter::kIsIterationInvariantRate);
}

void BM_RenderFloor(benchmark::State& state) {
    int64_t frame = 0;
    for (auto _ : state) {
        render_floor(6144, 5120, 6144, heading_of(frame++));
        benchmark::ClobberMemory();
    }
    add_counters(state);
}

void BM_FloatFloor(benchmark::State& state) {
    int64_t frame = 0;
    for (auto _ : state) {
        render_floor_float(6144, 5120, 6144, heading_of(frame++));
        benchmark::ClobberMemory();
    }
    add_counters(state);
}

// The same floors walked column by column, as render_floor did before it went row by row.
void BM_ColumnFloor(benchmark::State& state) {
    int64_t frame = 0;
    for (auto _ : state) {
        render_floor_by_columns(6144, 5120, 6144, heading_of(frame++));
        benchmark::ClobberMemory();
    }
    add_counters(state);
}

void BM_Frame(benchmark::State& state) {
    int64_t frame = 0;
    for (auto _ : state) {
        std::memset(surface.bits, 0, picture_bytes);
        render_floor(6144, 5120, 6144, heading_of(frame++));
        compose_floor();
        benchmark::ClobberMemory();
    }
    add_counters(state);
}

void BM_FloatFrame(benchmark::State& state) {
    int64_t frame = 0;
    for (auto _ : state) {
        std::memset(surface.bits, 0, picture_bytes);
        render_floor_float(6144, 5120, 6144, heading_of(frame++));
        compose_floor();
        benchmark::ClobberMemory();
    }
    add_counters(state);
}

Sprite* ball = nullptr;

// The scene loop's own draw_frame: clear, render_floor, compose_floor and the sprite blit
// (assets/balle.bmp; without it the floor alone), into the Surface's pixel array.
void BM_SceneDrawFrame(benchmark::State& state) {
    Camera camera = start_camera;
    for (auto _ : state) {
        draw_frame(camera, ball);
        camera.view_angle = static_cast<uint8_t>(camera.view_angle + 2);
        benchmark::ClobberMemory();
    }
    add_counters(state);
    if (ball == nullptr) state.SetLabel("no sprite");
}

// draw_frame as it was: the column-by-column floor and the byte-by-byte composition.
void BM_ColumnDrawFrame(benchmark::State& state) {
    Camera camera = start_camera;
    for (auto _ : state) {
        std::memset(surface.bits, 0, surface_array_bytes);
        if (ball != nullptr) ball->x = ball->y = -16;
        render_floor_by_columns(camera.x, camera.y, camera.z, camera.view_angle);
        compose_floor_by_bytes();
        if (ball != nullptr) blit_sprite(ball->x, ball->y, ball->cx, ball->cy, ball->bits);
        camera.view_angle = static_cast<uint8_t>(camera.view_angle + 2);
        benchmark::ClobberMemory();
    }
    add_counters(state);
    if (ball == nullptr) state.SetLabel("no sprite");
}

double fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

#define FRAME_BENCHMARK(f) BENCHMARK(f)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest)
FRAME_BENCHMARK(BM_RenderFloor);
FRAME_BENCHMARK(BM_FloatFloor);
FRAME_BENCHMARK(BM_ColumnFloor);
FRAME_BENCHMARK(BM_Frame);
FRAME_BENCHMARK(BM_FloatFrame);
FRAME_BENCHMARK(BM_SceneDrawFrame);
FRAME_BENCHMARK(BM_ColumnDrawFrame);

// Keeps each benchmark's real time per iteration for the summary: with repetitions, the
// fastest repetition ("min": the least disturbed by other work on the machine), else the run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool min = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
            if (run.run_type == Run::RT_Aggregate && !min) continue;
            const std::string& name = run.run_name.function_name;
            if (!min && mins_.count(name) != 0) continue;
            seconds_[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            if (min) mins_[name] = true;
        }
    }
    double seconds(const std::string& name) const {
        auto found = seconds_.find(name);
        return found == seconds_.end() ? 0 : found->second;
    }
    bool any_min() const { return !mins_.empty(); }

private:
    std::map<std::string, double> seconds_;
    std::map<std::string, bool> mins_;
};

// Share of floor pixels on which the float renderer agrees with render_floor.
double float_agreement() {
    std::vector<uint32_t> fixed(floor_width * floor_height);
    std::vector<uint32_t> plain(floor_width * floor_height);
    int64_t same = 0, total = 0;
    for (int32_t heading = 0; heading < 256; heading += 8) {
        floor_pixels = fixed.data();
        render_floor(6144, 5120, 6144, heading);
        floor_pixels = plain.data();
        render_floor_float(6144, 5120, 6144, heading);
        for (int32_t i = 60 * floor_width; i < 159 * floor_width; ++i, ++total) same += fixed[i] == plain[i];
    }
    return static_cast<double>(same) / static_cast<double>(total);
}

}  // namespace

int main(int argc, char** argv) {
    build_tables();
    const double agreement = float_agreement();
    init_floor_pixels();
    init_windowless_surface();
    ball = load_sprite(PICTAVON_SOURCE_DIR "/assets/balle.bmp");

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nSummary (%s): one frame = clear 161 x 720 bytes + floor (99 x 240 = %lld pixels) + composition\n",
                reporter.any_min() ? "fastest repetition" : "one run", static_cast<long long>(floor_pixel_count));
    const struct { const char* name; const char* what; const char* baseline; } rows[] = {
        {"BM_RenderFloor", "render_floor", nullptr},
        {"BM_FloatFloor", "float floor", "BM_RenderFloor"},
        {"BM_ColumnFloor", "floor by columns (before)", "BM_RenderFloor"},
        {"BM_Frame", "frame", nullptr},
        {"BM_FloatFrame", "frame, float floor", "BM_Frame"},
        {"BM_SceneDrawFrame", "scene draw_frame (+ sprite)", nullptr},
        {"BM_ColumnDrawFrame", "draw_frame before (columns)", "BM_SceneDrawFrame"},
    };
    for (const auto& row : rows) {
        const double s = reporter.seconds(row.name);
        if (s <= 0) continue;
        std::printf("  %-28s %9.2f us/frame  %6.3f %% of 20 ms  %8.1f Mpixel/s", row.what, s * 1e6,
                    100 * s / period_seconds, floor_pixel_count / s / 1e6);
        if (row.baseline != nullptr && reporter.seconds(row.baseline) > 0)
            std::printf("  %5.1f x %s", s / reporter.seconds(row.baseline), row.baseline);
        std::printf("\n");
    }
    std::printf("  the float floor agrees with render_floor on %.2f %% of the floor pixels (32 headings)\n",
                100 * agreement);
    return 0;
}
