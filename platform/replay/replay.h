// The replay backend's controls, for its entry: what to play, and what the run showed.
//
// A replay has no window and no display. Its messages come from a timeline at virtual
// times, and its clocks are virtual: the counter runs at 1 kHz and moves only as the program
// thread reads it (one tick a read, so a busy-wait on it makes progress) or sleeps to a
// deadline. The two threads take turns and never run at once: the window side delivers
// every timeline event, 10 ms timer tick and picture falling due up to the time the program
// thread asks for, then the program thread runs until it asks for a later time. Nothing
// depends on the wall clock, so the same timeline gives the same pictures on any machine.
#pragma once

#include <cstdint>
#include <vector>

#include "host/timeline.h"

// 240 x 160 RGB triples, top row first: what the window shows.
using PictureSink = void (*)(const char* name, const uint8_t* rgb);

struct ReplayPlan {
    std::vector<TimelineEvent> events;
    std::vector<int64_t> picture_ms;  // pictures "at-MS", in any order
    bool every_present = false;       // a picture "present-N" at each of the routine's presents
    PictureSink sink = nullptr;       // called on the thread that has the turn
};

// Before host_main. The run stops (the message loop ends with 0) when the window is closed
// or once the virtual time passes the last event's time plus one second (or the last
// picture's time, if later), whichever is first.
void replay_prepare(const ReplayPlan& plan);

// After host_main.
struct ReplayOutcome {
    int64_t virtual_ms;        // where the clock stood at the end
    int64_t presents;          // the routine's own presents
    const char* ansi_title;    // the window's title at the end, Windows-1252
    bool routine_ended;
    uint32_t routine_exit_code;
};
ReplayOutcome replay_outcome();
// The window's picture now: 240 x 160 RGB, top row first.
const uint8_t* replay_window_picture();
