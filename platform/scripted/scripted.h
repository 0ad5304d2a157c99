// The scripted backend's controls, for unit tests: no window and no second thread. A test
// queues messages, sets the clocks and the thread's exit code, runs host code, and reads
// back every call the host made, every picture it presented and every title it set.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/platform.h"

struct Scripted {
    // Window. Creation fails when asked to; the frame (borders and caption) takes
    // frame_cx x frame_cy, so the client area is the outer size less the frame.
    bool fail_create_window = false;
    int32_t frame_cx = 0, frame_cy = 0;
    int32_t outer_cx = 0, outer_cy = 0;
    bool window_exists = false;
    // The screen's usable area; 0 x 0: it cannot be measured.
    int32_t screen_cx = 0, screen_cy = 0;
    std::string title;
    std::vector<std::string> titles;  // every title set after creation, in order
    WindowProc proc = nullptr;

    // Messages waiting for platform_get_message. When the queue runs dry, on_idle (if set)
    // may queue more; if it does not, get_message returns 0 and ran_dry is set, so a test
    // can tell a real WM_QUIT from an exhausted script.
    std::deque<Message> queue;
    std::function<void()> on_idle;
    bool ran_dry = false;

    // The program thread: started routine, and the exit code reported while it exists.
    bool fail_start_thread = false;
    ThreadRoutine routine = nullptr;
    uint32_t thread_exit_code = STILL_ACTIVE;
    int32_t held = 0;  // suspend depth
    std::function<void()> on_suspend;  // runs inside platform_suspend_thread
    // Plays a backend that cannot hold the thread: platform_present_unheld takes the refresh.
    bool cannot_hold_thread = false;

    // Clocks.
    uint32_t tick_ms = 0;
    int64_t counter = 0;
    int64_t counter_hz = 1000000;
    std::function<int64_t()> read_counter;  // when set, platform_counter returns its result
    int64_t counter_reads = 0;
    std::vector<int64_t> sleeps;  // every platform_sleep_until deadline, in order

    // Surface. The bitmap is real memory; a failure leaves the handle and bits null.
    bool fail_dib = false;
    BitmapInfoHeader dib_header{};
    std::vector<uint8_t> dib;  // the bitmap's pixel array

    // Every window picture presented: 160 rows of 720 bytes, top row first, blue, green, red;
    // a stretched one as its source, before the enlargement.
    std::vector<std::vector<uint8_t>> presents;
    std::vector<std::string> boxes;  // "caption: text" of every assertion box
    std::vector<std::string> calls;  // every platform call, in order, with its arguments
};

extern Scripted scripted;

// Forgets everything: a fresh backend.
void scripted_reset();
// Queues a message to the host window.
void scripted_post(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0);
// The calls log from `from` on, as one line per call.
std::string scripted_calls_since(size_t from);
