// --record FILE: the input a live run receives, written as a timeline (host/timeline.h) that
// a replay plays back. Times count from the routine's first start_clock, rounded up to the
// millisecond, so that an event the live routine saw at a frame is due by that frame in the
// replay too: for a routine that polls its input once a frame, the replay shows the live
// window's pictures. Window thread only.
#pragma once

#include <string>

#include "platform/platform.h"

// Before the window exists: creates (or empties) the file. False, with why, when it cannot.
bool start_recording(const char* path, std::string* why);
// Each message the loop takes, before it is dispatched.
void record_message(const Message& msg);
// Once the loop has ended: the close that ended it, if the window was closed.
void finish_recording(bool closed);
