// Golden pictures, read through stb_image (Debian's libstb-dev): a golden picture may have
// been touched up in any editor, so it is decoded, never compared byte for byte.
#include "platform/replay/golden.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/surface_size.h"
#include "surface/picture.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace {

namespace fs = std::filesystem;

// The digits after `prefix` up to ".png", as a number; -1 when the name is not of that shape.
int64_t number_in(const std::string& name, const std::string& prefix) {
    const std::string suffix = ".png";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoll(digits);
}

struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    std::string error;
};

Decoded decode(const std::string& path) {
    Decoded d;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        d.error = "cannot open it";
        return d;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    int w = 0, h = 0, channels = 0;
    uint8_t* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 3);
    if (pixels == nullptr) {
        d.error = std::string("not a PNG it can read (") + stbi_failure_reason() + ")";
        return d;
    }
    d.width = w;
    d.height = h;
    d.rgb.assign(pixels, pixels + static_cast<size_t>(w) * h * 3);
    stbi_image_free(pixels);
    return d;
}

std::string hex(const uint8_t* p) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", p[0], p[1], p[2]);
    return text;
}

// 1 when they are the same; else reports and writes the difference picture.
bool compare_one(const std::string& name, const std::string& golden_path, const std::string& actual_path,
                 const std::string& difference_path) {
    Decoded golden = decode(golden_path), actual = decode(actual_path);
    const char* problem = !golden.error.empty() ? golden.error.c_str() : actual.error.c_str();
    const std::string& which = !golden.error.empty() ? golden_path : actual_path;
    if (!golden.error.empty() || !actual.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", which.c_str(), problem);
        return false;
    }
    if (golden.width != surface_width || golden.height != surface_height) {
        std::fprintf(stderr, "%s: %d x %d, where a replay's pictures are %d x %d\n", golden_path.c_str(), golden.width,
                     golden.height, surface_width, surface_height);
        return false;
    }
    int64_t first = -1, count = 0;
    std::vector<uint8_t> difference(actual.rgb.size());
    for (size_t p = 0; p < actual.rgb.size(); p += 3) {
        bool same = std::equal(&golden.rgb[p], &golden.rgb[p] + 3, &actual.rgb[p]);
        if (!same && count++ == 0) first = static_cast<int64_t>(p / 3);
        for (size_t c = 0; c < 3; ++c)
            difference[p + c] = same ? static_cast<uint8_t>(actual.rgb[p + c] / 4) : (c == 1 ? 0 : 255);
    }
    if (count == 0) return true;
    const size_t at = static_cast<size_t>(first) * 3;
    bool written = write_picture_png(difference_path.c_str(), difference.data()) != 0;
    // Window row j shows surface row j - 1: name both, since a routine's author thinks in the second.
    int64_t x = first % surface_width, row = first / surface_width;
    std::fprintf(stderr,
                 "%s differs from %s in %lld pixels, first at window pixel (%lld, %lld) (surface pixel (%lld, %lld)): "
                 "golden %s, replay %s; the replay's picture is %s, the difference %s\n",
                 name.c_str(), golden_path.c_str(), static_cast<long long>(count), static_cast<long long>(x),
                 static_cast<long long>(row), static_cast<long long>(x), static_cast<long long>(row - 1),
                 hex(&golden.rgb[at]).c_str(), hex(&actual.rgb[at]).c_str(), actual_path.c_str(),
                 written ? difference_path.c_str() : "(could not be written)");
    return false;
}

}  // namespace

GoldenSet read_golden_folder(const std::string& folder) {
    GoldenSet set;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::string name = entry->path().filename().string();
        std::string extension = entry->path().extension().string();
        if (extension != ".png" && extension != ".PNG") continue;
        int64_t ms = number_in(name, "at-");
        if (ms >= 0) set.picture_ms.push_back(ms);
        if (number_in(name, "present-") >= 0) set.needs_every_present = true;
        if (ms < 0 && number_in(name, "present-") < 0 && name != "last.png") {
            set.error = folder + "/" + name + " names no picture a replay writes (at-MS.png, present-N.png, last.png)";
            return set;
        }
        set.names.push_back(name);
    }
    if (error) set.error = "cannot read the folder " + folder + ": " + error.message();
    else if (set.names.empty()) set.error = "no golden picture in " + folder + " (at-MS.png, present-N.png, last.png)";
    std::sort(set.names.begin(), set.names.end());
    return set;
}

int32_t compare_with_golden(const GoldenSet& set, const std::string& golden_folder,
                            const std::string& pictures_folder) {
    int32_t differing = 0;
    for (const std::string& name : set.names) {
        std::string stem = name.substr(0, name.size() - 4);
        if (!compare_one(name, golden_folder + "/" + name, pictures_folder + "/" + name,
                         pictures_folder + "/" + stem + "-difference.png"))
            ++differing;
    }
    return differing;
}
