// The golden floors, compiled in from tests/demo/golden/*.idx (see golden/make_golden.py):
// rows 60..158 as palette indices, 240 to a row, two to a byte, high nibble first.
#pragma once

#include <cstddef>

struct GoldenFile {
    const char* name;  // the file name without ".idx": floor_x<x>_y<height>_z<z>_a<angle>
    const unsigned char* data;
    size_t size;
};

extern const GoldenFile golden_files[];
extern const int golden_file_count;
