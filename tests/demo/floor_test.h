// Shared by the floor tests: a floor buffer of their own, and palette look-ups.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "demo/floor.h"
#include "demo/tables.h"

// A value no render ever writes (palette colours have bits 24-31 clear).
constexpr uint32_t floor_sentinel = 0xDEADBEEF;

class FloorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { build_tables(); }
    void SetUp() override {
        pixels_.assign(floor_width * floor_height, floor_sentinel);
        floor_pixels = pixels_.data();
    }
    void TearDown() override { floor_pixels = nullptr; }

    static uint32_t pixel(int row, int col) { return floor_pixels[row * floor_width + col]; }
    // The palette index of a pixel, or -1 if it holds no palette colour.
    static int index_at(int row, int col) {
        const uint32_t colour = pixel(row, col);
        const int index = 4 * static_cast<int>(((colour >> 8) & 255) / 85) + static_cast<int>(((colour >> 16) & 255) / 85);
        return index < 16 && floor_palette[index] == colour ? index : -1;
    }
    // Rows 60..158 as palette indices, row-major.
    static std::vector<uint8_t> rendered_indices() {
        std::vector<uint8_t> out;
        out.reserve(99 * floor_width);
        for (int row = 60; row <= 158; ++row)
            for (int col = 0; col < floor_width; ++col) out.push_back(static_cast<uint8_t>(index_at(row, col)));
        return out;
    }
    std::vector<uint32_t> pixels_;
};
