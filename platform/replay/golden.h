// Golden pictures: PNGs a routine's author keeps, each named as a replay names its pictures
// (at-MS.png, present-N.png, last.png), compared pixel for pixel with the replay's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GoldenSet {
    std::vector<std::string> names;   // file names in the folder, sorted
    std::vector<int64_t> picture_ms;  // the times that at-MS.png names ask for
    bool needs_every_present = false;
    std::string error;                // not empty: the folder cannot serve
};

// The golden pictures in `folder`: every *.png there must be a name a replay writes.
GoldenSet read_golden_folder(const std::string& folder);

// Compares golden/NAME with pictures/NAME for each name. For each that differs, writes
// pictures/NAME-difference.png (equal pixels dimmed, differing ones magenta) and reports on
// stderr the first differing pixel and both files. Returns how many differ (or cannot be read).
int32_t compare_with_golden(const GoldenSet& set, const std::string& golden_folder,
                            const std::string& pictures_folder);
