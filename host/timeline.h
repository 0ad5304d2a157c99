// Timelines: the input of a run as plain text, one event a line, at a time in milliseconds
// of the run's clock. A replay reads one and plays it into the window; a live program started
// with --record writes one. Both go through this file, so what is written reads back.
//
//   # a comment; blank lines too
//   0 down Left          key down, by routine.h's virtual-key name without VK_ (any case),
//   480 up left          a letter or a digit, or vkN for code N (1..255)
//   500 tap Escape       down and up at once: take_press sees it, key_down does not
//   600 type Été         the rest of the line, UTF-8, as characters (Windows-1252) only
//   600 char 13          one character by its Windows-1252 code (1..255)
//   700 move 120 80      the pointer over surface pixel (x 0..239, y -1..158)
//   710 press left       a button (left, right, middle) down, where the pointer is, or at
//   720 release left 5 6 the X Y given after it; click: down and up
//   800 wheel 2          notches, + towards the user
//   900 leave            the pointer leaves the window
//   900 unfocus          the keyboard focus goes to another window: every key comes up
//   1000 close           the window's close button
//
// Keys and characters are apart, as the messages that carry them are: `tap A` presses the
// key and types nothing, `type a` types the character and presses no key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TimelineVerb : uint8_t {
    down, up, tap, type, character, move, press, release, click, wheel, close, leave, unfocus
};

// Mouse buttons, as the verbs name them.
enum class TimelineButton : uint8_t { left, right, middle };

struct TimelineEvent {
    int64_t ms;
    TimelineVerb verb;
    int32_t key;            // down, up, tap: the virtual-key code (1..255)
    TimelineButton button;  // press, release, click
    bool at_place;          // press, release, click: x and y were given
    int32_t x, y;           // move, and press/release/click with a place: surface pixel
    int32_t notches;        // wheel
    std::string chars;      // type, character: Windows-1252 bytes
};

// Reads a whole timeline. On the first bad line, stops and sets `error` to
// "NAME:LINE: what is wrong"; `events` then holds nothing useful.
bool parse_timeline(const std::string& text, const char* name, std::vector<TimelineEvent>* events,
                    std::string* error);

// The line that reads back as `event`, without its end of line.
std::string timeline_line(const TimelineEvent& event);

// A virtual-key code's name in timelines ("Left", "A", "F5", "vk186").
std::string key_name(int32_t code);
