// The recorder: messages from the host's own loop, so that every backend records alike.
#include "host/record.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "clock/clock.h"
#include "host/timeline.h"
#include "platform/code_page.h"
#include "platform/messages.h"
#include "surface/surface.h"

namespace {

std::FILE* file;  // null while not recording
int64_t last_ms;
int32_t last_x = -2, last_y = -2;  // the last place written
int32_t wheel_left;                // a smooth wheel's delta not yet a whole notch, + towards the user

constexpr uintptr_t repeat_bit = uintptr_t{1} << 30;

int64_t now_ms() {
    int64_t start = first_clock_start.load(std::memory_order_relaxed);
    int64_t t = 0;
    if (start != clock_not_started) {
        // An event during a wait is seen when that wait ends, even if the program thread
        // returns from it late: write it down for the wait's end at the latest.
        int64_t now = platform_counter(), ends = wait_ends_at.load(std::memory_order_relaxed);
        if (ends != wait_ended_at.load(std::memory_order_relaxed) && now > ends) now = ends;
        int64_t ticks = now - start, hz = platform_counter_frequency();
        t = ticks <= 0 ? 0 : (ticks / hz) * 1000 + ((ticks % hz) * 1000 + hz - 1) / hz;  // rounded up
    }
    if (t > last_ms) last_ms = t;
    return last_ms;
}

void write(TimelineEvent e) {
    e.ms = now_ms();
    std::fprintf(file, "%s\n", timeline_line(e).c_str());
    std::fflush(file);  // the run may end at any moment, without destructors
}

TimelineEvent event(TimelineVerb verb) {
    TimelineEvent e{};
    e.verb = verb;
    return e;
}

// The window pixel in lParam, as the surface pixel a timeline names, held inside the window.
TimelineEvent at_place(TimelineVerb verb, intptr_t lparam) {
    auto half = [&](int shift) {
        return static_cast<int32_t>(static_cast<int16_t>((static_cast<uintptr_t>(lparam) >> shift) & 0xFFFF));
    };
    auto within = [](int32_t v, int32_t lowest, int32_t highest) { return v < lowest ? lowest : v > highest ? highest : v; };
    TimelineEvent e = event(verb);
    e.at_place = true;
    e.x = within(half(0) / window_zoom, 0, surface_width - 1);
    e.y = within(half(16) / window_zoom - 1, -1, surface_height - 2);
    last_x = e.x;
    last_y = e.y;
    return e;
}

void key(TimelineVerb verb, uintptr_t wparam) {
    TimelineEvent e = event(verb);
    e.key = static_cast<int32_t>(wparam & 0xFF);
    if (e.key != 0) write(e);
}

// Printable characters as `type`, when they read back as themselves; others by their code.
void character(uintptr_t wparam) {
    char ansi[2] = {static_cast<char>(wparam & 0xFF), 0};
    char utf8[8];
    ansi_to_utf8(ansi, utf8, sizeof utf8);
    uint8_t back = 0;
    next_ansi_char(utf8, &back);
    bool typed = static_cast<uint8_t>(ansi[0]) > ' ' && ansi[0] != 127 && back == static_cast<uint8_t>(ansi[0]);
    TimelineEvent e = event(typed ? TimelineVerb::type : TimelineVerb::character);
    e.chars = ansi;
    if (ansi[0] != 0) write(e);
}

void button(TimelineVerb verb, TimelineButton b, intptr_t lparam) {
    TimelineEvent e = at_place(verb, lparam);
    e.button = b;
    write(e);
}

void wheel(uintptr_t wparam) {
    wheel_left -= static_cast<int16_t>(static_cast<uint16_t>((wparam >> 16) & 0xFFFF));
    TimelineEvent e = event(TimelineVerb::wheel);
    e.notches = wheel_left / 120;
    wheel_left -= e.notches * 120;
    if (e.notches != 0) write(e);
}

}  // namespace

bool start_recording(const char* path, std::string* why) {
    file = std::fopen(path, "wb");
    if (file == nullptr) {
        *why = std::string("cannot record to ") + path + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(file, "# Recorded by a live run: replay it with the program's NAME-replay --replay FILE.\n");
    std::fflush(file);
    return true;
}

void record_message(const Message& msg) {
    if (file == nullptr) return;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if ((static_cast<uintptr_t>(msg.lparam) & repeat_bit) == 0) key(TimelineVerb::down, msg.wparam);  // not auto-repeats
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP: key(TimelineVerb::up, msg.wparam); break;
    case WM_CHAR: character(msg.wparam); break;
    case WM_MOUSEMOVE: {
        int32_t x = last_x, y = last_y;
        TimelineEvent e = at_place(TimelineVerb::move, msg.lparam);
        if (e.x != x || e.y != y) write(e);
        break;
    }
    case WM_LBUTTONDOWN: button(TimelineVerb::press, TimelineButton::left, msg.lparam); break;
    case WM_LBUTTONUP: button(TimelineVerb::release, TimelineButton::left, msg.lparam); break;
    case WM_RBUTTONDOWN: button(TimelineVerb::press, TimelineButton::right, msg.lparam); break;
    case WM_RBUTTONUP: button(TimelineVerb::release, TimelineButton::right, msg.lparam); break;
    case WM_MBUTTONDOWN: button(TimelineVerb::press, TimelineButton::middle, msg.lparam); break;
    case WM_MBUTTONUP: button(TimelineVerb::release, TimelineButton::middle, msg.lparam); break;
    case WM_MOUSEWHEEL: wheel(msg.wparam); break;
    case WM_MOUSELEAVE: write(event(TimelineVerb::leave)); break;
    case WM_KILLFOCUS: write(event(TimelineVerb::unfocus)); break;
    default: break;
    }
}

void finish_recording(bool closed) {
    if (file == nullptr) return;
    if (closed) write(event(TimelineVerb::close));
    std::fflush(file);
}
