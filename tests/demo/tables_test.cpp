// The sine and reciprocal tables.
#include "demo/tables.h"

#include <gtest/gtest.h>

namespace {

class TablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_tables(); }
    static int sine(int i) { return sine_table[i & 255]; }
};

// The whole table, from tests/demo/golden/make_golden.py (Python's double-precision sine):
// a build whose sin or whose rounding differs in a way that matters shows up here.
const int16_t expected_quarter_wave[65] = {
    0,    100,  200,  301,  401,  501,  601,  700,  799,  897,  995,  1092, 1189,
    1284, 1379, 1474, 1567, 1659, 1751, 1841, 1930, 2018, 2105, 2191, 2275, 2358,
    2439, 2519, 2598, 2675, 2750, 2824, 2896, 2966, 3034, 3101, 3166, 3229, 3289,
    3348, 3405, 3460, 3513, 3563, 3612, 3658, 3702, 3744, 3784, 3821, 3856, 3889,
    3919, 3947, 3973, 3996, 4017, 4035, 4051, 4065, 4076, 4084, 4091, 4094, 4096,
};

TEST_F(TablesTest, SineCheckValues) {
    const struct { int index, value; } checks[] = {
        {0, 0},      {1, 100},   {2, 200},    {32, 2896},  {62, 4091},
        {63, 4094},  {64, 4096}, {65, 4094},  {96, 2896},  {127, 100},
        {128, 0},    {129, -100}, {160, -2896}, {192, -4096}, {255, -100},
    };
    for (const auto& check : checks) EXPECT_EQ(sine_table[check.index], check.value) << check.index;
}

TEST_F(TablesTest, EntrySixtyFourIsExactlyOne) {
    // Depends on plain double precision: an 80-bit product would truncate to 4095.
    EXPECT_EQ(sine_table[64], 4096);
    EXPECT_EQ(sine_table[192], -4096);
    for (int i = 0; i < 256; ++i) {
        if (i != 64) {
            EXPECT_NE(sine_table[i], 4096) << i;
        }
        if (i != 192) {
            EXPECT_NE(sine_table[i], -4096) << i;
        }
        EXPECT_GE(sine_table[i], -4096);
        EXPECT_LE(sine_table[i], 4096);
    }
}

TEST_F(TablesTest, WholeTableMatchesTheIndependentModel) {
    for (int k = 0; k <= 64; ++k) {
        EXPECT_EQ(sine_table[k], expected_quarter_wave[k]) << k;
        EXPECT_EQ(sine_table[128 - k], expected_quarter_wave[k]) << 128 - k;
        EXPECT_EQ(sine_table[(128 + k) & 255], -expected_quarter_wave[k]) << 128 + k;
        EXPECT_EQ(sine_table[(256 - k) & 255], -expected_quarter_wave[k]) << 256 - k;
    }
}

TEST_F(TablesTest, SineSymmetries) {
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(sine((k + 128) & 255), -sine(k)) << k;
        EXPECT_EQ(sine((128 - k) & 255), sine(k)) << k;
    }
}

TEST_F(TablesTest, CosineIsTheSineSixtyFourUnitsOn) {
    EXPECT_EQ(sine(0 + 64), 4096);                    // cos 0
    EXPECT_EQ(sine((250 + 64) & 255), 4051);          // cos 250 = entry 58
    EXPECT_EQ(sine_table[58], 4051);
    EXPECT_EQ(sine((128 + 64) & 255), -4096);         // cos 128
}

TEST_F(TablesTest, ReciprocalTable) {
    EXPECT_EQ(recip_table[0], 0);
    EXPECT_EQ(recip_table[1], 4096);
    EXPECT_EQ(recip_table[2], 2048);
    EXPECT_EQ(recip_table[3], 1365);  // truncated, not rounded (1365.33)
    EXPECT_EQ(recip_table[99], 41);
    EXPECT_EQ(recip_table[100], 40);
    EXPECT_EQ(recip_table[1399], 2);
    for (int n = 1; n < 1400; ++n) EXPECT_EQ(recip_table[n], 4096 / n) << n;
}

TEST_F(TablesTest, BuildingAgainGivesTheSameTables) {
    int16_t* const sine_before = sine_table;
    int16_t* const recip_before = recip_table;
    build_tables();
    EXPECT_EQ(sine_table, sine_before);  // refilled in place, nothing dropped
    EXPECT_EQ(recip_table, recip_before);
    EXPECT_EQ(sine_table[64], 4096);
    EXPECT_EQ(recip_table[1399], 2);
}

}  // namespace
