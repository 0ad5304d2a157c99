// Fixed-point lookup tables: sine of an 8-bit angle, and 4096 / n (12 fractional bits).
#pragma once

#include <cstdint>

extern int16_t* sine_table;   // 256 entries, -4096..4096; cosine of a is entry (a + 64) & 255
extern int16_t* recip_table;  // 1400 entries: 0, then 4096 / n

// Program thread, before the first render: points both at their static storage and fills
// them. A second call refills the same storage with the same values.
void build_tables();
