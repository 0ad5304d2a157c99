// The frame clock, on the scripted backend's counter.
#include "clock/clock.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/scripted/scripted.h"

namespace {

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        scripted_reset();
        counter_frequency = 0;
        frame_start = 0;
        frame_late = 0;
        scripted.read_counter = [this] { return read(); };
    }
    void TearDown() override { scripted_reset(); }

    // The counter: `now` on every read, advanced by `step` after each read; `on_read`, if
    // set, runs first (it sees the clock's state at the time of the read).
    int64_t read() {
        if (on_read) on_read();
        if (reads.size() == read_limit) {
            // A wait that never ends: fail, and let the counter leap forward so it does.
            ADD_FAILURE() << "wait_frame still reading the counter after " << read_limit << " reads";
            now = std::numeric_limits<int64_t>::max() / 2;
            step = 0;
        }
        const int64_t value = now;
        reads.push_back(value);
        now = static_cast<int64_t>(static_cast<uint64_t>(now) + static_cast<uint64_t>(step));  // may wrap
        return value;
    }
    // start_clock at counter value `at` with `hz` ticks per second.
    void start_at(int64_t at, int64_t hz) {
        scripted.counter_hz = hz;
        now = at;
        step = 0;
        start_clock();
        reads.clear();
    }
    int64_t last_read() const { return reads.empty() ? -1 : reads.back(); }

    static constexpr size_t read_limit = 1000000;
    int64_t now = 0;
    int64_t step = 0;
    std::function<void()> on_read;
    std::vector<int64_t> reads;
};

constexpr int64_t mhz = 1000000;  // a 1 MHz counter: 20 ms = 20000 ticks

TEST_F(ClockTest, StartClockReadsFrequencyThenCounter) {
    frame_late = 1;
    start_at(123456, 3579545);
    EXPECT_EQ(counter_frequency, 3579545);
    EXPECT_EQ(frame_start, 123456);
    EXPECT_EQ(frame_late, 1);  // start_clock leaves the flag alone
    EXPECT_EQ(scripted.counter_reads, 1);
}

TEST_F(ClockTest, FiveMillisecondsIntoThePeriodWaitsForItsEnd) {
    start_at(1000, mhz);
    now = 1000 + 5000;  // 5 ms into the period
    step = 1000;        // the counter advances 1 ms per read
    frame_late = 1;
    bool checked = false;
    on_read = [&] {
        if (reads.size() == 1) {  // the first read inside the waiting loop
            EXPECT_EQ(frame_late, 0) << "frame_late is cleared before waiting";
            checked = true;
        }
    };
    wait_frame(20);
    EXPECT_TRUE(checked);
    EXPECT_EQ(last_read(), 1000 + 20000);  // returned at the first reading at the period end
    EXPECT_EQ(reads.size(), 16u);          // 6000, 7000, ..., 21000
    EXPECT_EQ(frame_start, 1000 + 20000);
    EXPECT_EQ(frame_late, 0);
}

TEST_F(ClockTest, AWholeIntervalElapsedCountsAsEndedWithoutWaiting) {
    for (int64_t intervals : {1, 2}) {
        start_at(0, mhz);
        now = intervals * 20000;
        wait_frame(20);
        EXPECT_EQ(reads.size(), 1u);
        EXPECT_EQ(frame_start, 20000);
        EXPECT_EQ(frame_late, intervals == 2 ? 1 : 0) << intervals << " intervals";
    }
}

TEST_F(ClockTest, TwoAndAHalfThenOneAndAHalfThenAHalfInterval) {
    start_at(0, mhz);
    now = 50000;  // 2.5 intervals
    wait_frame(20);
    EXPECT_EQ(reads.size(), 1u);  // the late path reads the counter once, never again
    EXPECT_EQ(frame_start, 20000);
    EXPECT_EQ(frame_late, 1);

    reads.clear();
    wait_frame(20);  // 1.5 intervals
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_EQ(frame_start, 40000);
    EXPECT_EQ(frame_late, 0);

    reads.clear();
    step = 1;  // 0.5 intervals: waits the rest of the period
    wait_frame(20);
    EXPECT_EQ(last_read(), 60000);
    EXPECT_EQ(reads.size(), 10001u);
    EXPECT_EQ(frame_start, 60000);
    EXPECT_EQ(frame_late, 0);
}

TEST_F(ClockTest, KWholeIntervalsBehindTakeKCallsToCatchUp) {
    start_at(0, mhz);
    now = 7 * 20000 + 3;  // a stall of 7 periods and a bit
    std::vector<int32_t> flags;
    for (int i = 0; i < 7; ++i) {
        wait_frame(20);
        flags.push_back(frame_late);
    }
    EXPECT_EQ(reads.size(), 7u);  // none of them waited
    EXPECT_EQ(frame_start, 7 * 20000);
    EXPECT_EQ(flags, (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 0}));
}

TEST_F(ClockTest, IntervalIsTruncated) {
    start_at(0, 999);  // 20 ms = 19.98 ticks: 19
    now = 18;
    step = 1;
    wait_frame(20);
    EXPECT_EQ(last_read(), 19);
    EXPECT_EQ(frame_start, 19);

    start_at(0, 500);  // exactly 10 ticks
    now = 10;
    wait_frame(20);
    EXPECT_EQ(frame_start, 10);
    EXPECT_EQ(frame_late, 0);
    now = 19;
    step = 1;
    wait_frame(20);
    EXPECT_EQ(last_read(), 20);
    EXPECT_EQ(frame_start, 20);
}

TEST_F(ClockTest, IntervalBelongsToEachCall) {
    start_at(0, mhz);
    now = 1000;
    step = 1;
    wait_frame(10);
    EXPECT_EQ(frame_start, 10000);
    wait_frame(20);
    EXPECT_EQ(frame_start, 30000);
    EXPECT_EQ(last_read(), 30000);
    wait_frame(5);
    EXPECT_EQ(frame_start, 35000);
}

TEST_F(ClockTest, AnIntervalOfZeroReturnsAtOnceAndIsLate) {
    // Zero milliseconds, or a counter of zero ticks per second.
    for (auto [ms, hz] : {std::pair<int32_t, int64_t>{0, mhz}, {20, 0}}) {
        start_at(777, hz);
        for (int64_t at : {777, 5000}) {
            now = at;
            reads.clear();
            wait_frame(ms);
            EXPECT_EQ(reads.size(), 1u);
            EXPECT_EQ(frame_start, 777);
            EXPECT_EQ(frame_late, 1);
        }
    }
}

TEST_F(ClockTest, CounterBelowFrameStartWaitsForThePeriodEnd) {
    start_at(100000, mhz);
    now = 90000;  // 10 ms before frame_start
    step = 500;
    wait_frame(20);
    EXPECT_EQ(last_read(), 120000);
    EXPECT_EQ(frame_start, 120000);
    EXPECT_EQ(frame_late, 0);
}

TEST_F(ClockTest, PeriodEndsLieOnAFixedGrid) {
    // Each call finds the counter somewhere in its period, after some work; returns land on
    // start + k intervals exactly, with no drift.
    const int64_t start = 5555;
    start_at(start, mhz);
    step = 7;
    for (int k = 1; k <= 50; ++k) {
        now += (k * 3719) % 19000;  // the frame's work
        reads.clear();
        wait_frame(20);
        EXPECT_EQ(frame_start, start + 20000 * k);
        EXPECT_GE(last_read(), start + 20000 * k);
        EXPECT_LT(last_read(), start + 20000 * k + 7);
        EXPECT_EQ(frame_late, 0);
    }
}

TEST_F(ClockTest, CounterWrapsAroundTwosComplement) {
    // frame_start just below INT64_MAX: the period end lies past the wrap.
    const int64_t max = std::numeric_limits<int64_t>::max();
    start_at(max - 5, 500);  // interval 10
    now = max - 2;
    step = 1;
    wait_frame(20);
    const int64_t end = std::numeric_limits<int64_t>::min() + 4;  // (max - 5) + 10, wrapped
    EXPECT_EQ(last_read(), end);
    EXPECT_EQ(frame_start, end);
    EXPECT_EQ(frame_late, 0);
}

TEST_F(ClockTest, ProductIsKeptModulo2To64) {
    // 20 x (2^63 - 1) = -20 modulo 2^64, and -20 / 1000 = 0 toward zero: an interval of 0.
    start_at(1000, std::numeric_limits<int64_t>::max());
    now = 1000;
    wait_frame(20);
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_EQ(frame_start, 1000);
    EXPECT_EQ(frame_late, 1);

    // 3 x 2^62 = -2^62 modulo 2^64: a negative interval, so the late path at once.
    start_at(0, int64_t{1} << 62);
    now = 0;
    wait_frame(3);
    EXPECT_EQ(frame_start, -(int64_t{1} << 62) / 1000);
    EXPECT_EQ(frame_late, 1);
}

TEST_F(ClockTest, NegativeMillisecondsSignExtend) {
    // -20 ms at 1 MHz: interval -20000; every call is late and moves frame_start back.
    start_at(0, mhz);
    now = 0;
    wait_frame(-20);
    EXPECT_EQ(frame_start, -20000);
    EXPECT_EQ(frame_late, 1);
    EXPECT_EQ(reads.size(), 1u);
}

// rest_frame keeps wait_frame's grid and flag: it sleeps to 1 ms before the end when more
// than that is left, never when late or within the last millisecond.
TEST_F(ClockTest, RestFrameSleepsToAMillisecondBeforeTheEndOnTheSameGrid) {
    start_at(1000, mhz);
    now = 1000 + 5000;
    step = 100;
    rest_frame(20);
    EXPECT_EQ(scripted.sleeps, std::vector<int64_t>{21000 - 1000});
    EXPECT_EQ(frame_start, 21000);
    EXPECT_EQ(frame_late, 0);
    EXPECT_GE(last_read(), 21000);

    now = 21000 + 19500;  // half a millisecond left: busy only
    rest_frame(20);
    EXPECT_EQ(scripted.sleeps.size(), 1u);
    EXPECT_EQ(frame_start, 41000);

    now = 41000 + 50000;  // two and a half periods behind
    rest_frame(20);
    EXPECT_EQ(scripted.sleeps.size(), 1u);
    EXPECT_EQ(frame_start, 61000);
    EXPECT_EQ(frame_late, 1);
}

}  // namespace
