// The ball's motion: a whole number of bounces per period, and past every edge.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "examples/ball/ball_frame.h"

namespace {

// Each frame moves the ball by its speed, across the period's end too: the pictures the
// tests compute for one period are then all the program ever shows, without a jump.
TEST(BallMotionTest, StepsEvenlyAcrossThePeriodsEnd) {
    for (int32_t n = 0; n < ball_period_frames; ++n) {
        int32_t next = (n + 1) % ball_period_frames;
        EXPECT_EQ(std::abs(ball_x(next) - ball_x(n)), 3) << "frame " << n;
        EXPECT_EQ(std::abs(ball_y(next) - ball_y(n)), 2) << "frame " << n;
    }
}

// The 32-pixel ball runs 20 pixels past the top and left edges and 12 past the others.
TEST(BallMotionTest, ReachesPastEveryEdge) {
    int32_t low_x = 0, high_x = 0, low_y = 0, high_y = 0;
    for (int32_t n = 0; n < ball_period_frames; ++n) {
        low_x = std::min(low_x, ball_x(n));
        high_x = std::max(high_x, ball_x(n));
        low_y = std::min(low_y, ball_y(n));
        high_y = std::max(high_y, ball_y(n));
    }
    EXPECT_EQ(low_x, -20);
    EXPECT_EQ(high_x + 32 - 240, 12);
    EXPECT_EQ(low_y, -20);
    EXPECT_EQ(high_y + 32 - 160, 12);
}

}  // namespace
