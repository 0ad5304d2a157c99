// What the user may ask of the host when starting a program: options on the command line,
// each with an environment variable that stands in where the option is not given.
#pragma once

#include <cstdint>
#include <string>

#include "platform/surface_size.h"  // largest_zoom

// The zoom that measures the screen: the largest whole factor whose window fits.
constexpr int32_t zoom_auto = 0;

// Filled by the program's entry, on the window thread, before host_main; read-only after.
struct HostOptions {
    int32_t zoom = 1;  // 1..largest_zoom, or zoom_auto
    bool rest = false;  // wait_frame sleeps as rest_frame does instead of busy-waiting
    const char* record = nullptr;  // --record: the file the input is written to as a timeline
    bool full_screen = false;  // the window starts covering the screen (Alt+Enter toggles it)
};

// The environment's value of a variable, or null when it is not set (std::getenv).
using EnvironmentGetter = const char* (*)(const char* name);

// The options, or, when the command line or the environment holds something the host does
// not take, one line saying what and naming what it accepts (error not empty).
struct ParsedOptions {
    HostOptions options;
    std::string error;
};

// argv[0] is the program and is skipped. Both "--zoom 3" and "--zoom=3" are taken; the last
// of a repeated option wins; an empty environment variable counts as not set.
ParsedOptions parse_host_options(int argc, const char* const* argv, EnvironmentGetter environment);
