// Timelines: reading them strictly (a bad line stops everything before a run starts) and
// writing them so that they read back.
#include "host/timeline.h"

#include <cstdlib>
#include <cstring>

#include "platform/code_page.h"
#include "platform/surface_size.h"

namespace {

// Win32's virtual-key names without VK_, for the codes that are not a letter or a digit
// (those are their own names) nor a function key (F1..F24) nor a keypad digit (Numpad0..9).
// The first name of a code is the one written; the others are read too.
struct KeyName {
    const char* name;
    uint8_t code;
};
constexpr KeyName key_names[] = {
    {"Back", 0x08},     {"Backspace", 0x08}, {"Tab", 0x09},       {"Clear", 0x0C},     {"Return", 0x0D},
    {"Enter", 0x0D},    {"Shift", 0x10},     {"Control", 0x11},   {"Ctrl", 0x11},      {"Menu", 0x12},
    {"Alt", 0x12},      {"Pause", 0x13},     {"Capital", 0x14},   {"CapsLock", 0x14},  {"Escape", 0x1B},
    {"Esc", 0x1B},      {"Space", 0x20},     {"Prior", 0x21},     {"PageUp", 0x21},    {"Next", 0x22},
    {"PageDown", 0x22}, {"End", 0x23},       {"Home", 0x24},      {"Left", 0x25},      {"Up", 0x26},
    {"Right", 0x27},    {"Down", 0x28},      {"Select", 0x29},    {"Print", 0x2A},     {"Execute", 0x2B},
    {"Snapshot", 0x2C}, {"Insert", 0x2D},    {"Delete", 0x2E},    {"Help", 0x2F},      {"LWin", 0x5B},
    {"RWin", 0x5C},     {"Apps", 0x5D},      {"Sleep", 0x5F},     {"Multiply", 0x6A},  {"Add", 0x6B},
    {"Separator", 0x6C}, {"Subtract", 0x6D}, {"Decimal", 0x6E},   {"Divide", 0x6F},    {"NumLock", 0x90},
    {"Scroll", 0x91},   {"LShift", 0xA0},    {"RShift", 0xA1},    {"LControl", 0xA2},  {"RControl", 0xA3},
    {"LMenu", 0xA4},    {"RMenu", 0xA5},
};
constexpr int32_t vk_f1 = 0x70, vk_numpad0 = 0x60;

struct VerbName {
    const char* name;
    TimelineVerb verb;
};
constexpr VerbName verb_names[] = {
    {"down", TimelineVerb::down},       {"up", TimelineVerb::up},           {"tap", TimelineVerb::tap},
    {"type", TimelineVerb::type},       {"char", TimelineVerb::character},  {"move", TimelineVerb::move},
    {"press", TimelineVerb::press},     {"release", TimelineVerb::release}, {"click", TimelineVerb::click},
    {"wheel", TimelineVerb::wheel},     {"close", TimelineVerb::close},     {"leave", TimelineVerb::leave},
    {"unfocus", TimelineVerb::unfocus},
};
constexpr const char* button_names[] = {"left", "right", "middle"};

bool same_ignoring_case(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// A decimal integer, all of `word`, within [lowest, highest].
bool read_int(const std::string& word, int64_t lowest, int64_t highest, int64_t* value) {
    if (word.empty() || word.size() > 12) return false;
    size_t i = word[0] == '-' || word[0] == '+' ? 1 : 0;
    if (i == word.size()) return false;
    for (size_t k = i; k < word.size(); ++k)
        if (word[k] < '0' || word[k] > '9') return false;
    *value = std::strtoll(word.c_str(), nullptr, 10);
    return *value >= lowest && *value <= highest;
}

// 0 when the name is no key.
int32_t key_code(const std::string& name) {
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
        return 0;
    }
    for (const KeyName& k : key_names)
        if (same_ignoring_case(name, k.name)) return k.code;
    int64_t n = 0;
    if ((name[0] == 'F' || name[0] == 'f') && read_int(name.substr(1), 1, 24, &n) && name[1] != '+')
        return static_cast<int32_t>(vk_f1 + n - 1);
    if (name.size() == 7 && same_ignoring_case(name.substr(0, 6), "numpad") && name[6] >= '0' && name[6] <= '9')
        return vk_numpad0 + name[6] - '0';
    if (same_ignoring_case(name.substr(0, 2), "vk") && read_int(name.substr(2), 1, 255, &n) && name[2] != '+' &&
        name[2] != '-')
        return static_cast<int32_t>(n);
    return 0;
}

// One UTF-8 character's length at text[i], or 0 when it is malformed (overlong, a surrogate,
// past U+10FFFF, cut short).
size_t utf8_length(const std::string& text, size_t i) {
    auto byte = [&](size_t k) { return k < text.size() ? static_cast<uint8_t>(text[k]) : 0; };
    uint8_t b = byte(i);
    size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0) return 0;
    uint32_t code = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    constexpr uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

// UTF-8 text into Windows-1252 bytes; false, with what is wrong, for malformed UTF-8 or a
// character the code page lacks.
bool to_ansi(const std::string& text, std::string* ansi, std::string* wrong) {
    for (size_t i = 0; i < text.size();) {
        size_t n = utf8_length(text, i);
        if (n == 0) {
            *wrong = "bad UTF-8 at byte " + std::to_string(i + 1) + " of the text";
            return false;
        }
        std::string one = text.substr(i, n);
        uint8_t c = 0;
        next_ansi_char(one.c_str(), &c);
        if (c == '?' && one != "?") {
            *wrong = "'" + one + "' has no Windows-1252 code, the characters' code page";
            return false;
        }
        ansi->push_back(static_cast<char>(c));
        i += n;
    }
    return true;
}

std::vector<std::string> split_words(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size() || line[i] == '#') break;
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A place on the window: surface x 0..239 and y -1..158 (the spare row on top).
bool read_place(const std::string& wx, const std::string& wy, TimelineEvent* e, std::string* wrong) {
    int64_t x = 0, y = 0;
    if (!read_int(wx, INT32_MIN, INT32_MAX, &x) || !read_int(wy, INT32_MIN, INT32_MAX, &y)) {
        *wrong = "a place is two whole numbers, x and y";
        return false;
    }
    if (x < 0 || x >= surface_width || y < -1 || y > surface_height - 2) {
        *wrong = "(" + wx + ", " + wy + ") is outside the window: x 0.." + std::to_string(surface_width - 1) +
                 ", y -1.." + std::to_string(surface_height - 2);
        return false;
    }
    e->x = static_cast<int32_t>(x);
    e->y = static_cast<int32_t>(y);
    return true;
}

// Everything after the time; false with what is wrong.
bool read_event(const std::vector<std::string>& words, const std::string& line, TimelineEvent* e,
                std::string* wrong) {
    const VerbName* verb = nullptr;
    for (const VerbName& v : verb_names)
        if (words[1] == v.name) verb = &v;
    if (verb == nullptr) {
        *wrong = "unknown verb '" + words[1] + "'";
        return false;
    }
    e->verb = verb->verb;
    if (e->verb == TimelineVerb::type) {
        // The text is the rest of the line after one space: '#' and spaces are characters.
        size_t at = line.find(words[1], line.find(words[0]) + words[0].size()) + words[1].size();
        std::string text = at < line.size() ? line.substr(at + 1) : "";
        if (text.empty()) {
            *wrong = "type needs text after it";
            return false;
        }
        return to_ansi(text, &e->chars, wrong);
    }
    const size_t args = words.size() - 2;
    auto needs = [&](size_t lowest, size_t highest, const char* usage) {
        if (args >= lowest && args <= highest) return true;
        *wrong = std::string("usage: MS ") + usage;
        return false;
    };
    switch (e->verb) {
    case TimelineVerb::down:
    case TimelineVerb::up:
    case TimelineVerb::tap:
        if (!needs(1, 1, "down|up|tap KEY")) return false;
        e->key = key_code(words[2]);
        if (e->key == 0) *wrong = "unknown key '" + words[2] + "'";
        return e->key != 0;
    case TimelineVerb::character: {
        int64_t code = 0;
        if (!needs(1, 1, "char CODE")) return false;
        if (!read_int(words[2], 1, 255, &code)) {
            *wrong = "a character code is 1 to 255";
            return false;
        }
        e->chars = std::string(1, static_cast<char>(code));
        return true;
    }
    case TimelineVerb::move:
        return needs(2, 2, "move X Y") && read_place(words[2], words[3], e, wrong);
    case TimelineVerb::press:
    case TimelineVerb::release:
    case TimelineVerb::click: {
        if (args != 1 && !needs(3, 3, "press|release|click left|right|middle [X Y]")) return false;
        bool known = false;
        for (int32_t b = 0; b < 3; ++b) {
            if (words[2] == button_names[b]) {
                e->button = static_cast<TimelineButton>(b);
                known = true;
            }
        }
        if (!known) {
            *wrong = "unknown button '" + words[2] + "': left, right or middle";
            return false;
        }
        e->at_place = args == 3;
        return !e->at_place || read_place(words[3], words[4], e, wrong);
    }
    case TimelineVerb::wheel: {
        int64_t n = 0;
        if (!needs(1, 1, "wheel NOTCHES")) return false;
        if (!read_int(words[2], -1000, 1000, &n) || n == 0) {
            *wrong = "wheel takes notches, -1000 to 1000 and not 0";
            return false;
        }
        e->notches = static_cast<int32_t>(n);
        return true;
    }
    default:
        return needs(0, 0, "close|leave|unfocus");
    }
}

}  // namespace

bool parse_timeline(const std::string& text, const char* name, std::vector<TimelineEvent>* events,
                    std::string* error) {
    events->clear();
    int64_t previous_ms = 0;
    size_t start = 0;
    for (int32_t number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words = split_words(line);
        if (words.empty()) continue;
        TimelineEvent event{};
        std::string wrong;
        int64_t ms = 0;
        if (!read_int(words[0], 0, INT32_MAX, &ms) || words[0][0] == '+')
            wrong = "a line starts with its time, whole milliseconds from 0, not '" + words[0] + "'";
        else if (ms < previous_ms)
            wrong = "time goes backwards: " + words[0] + " ms after " + std::to_string(previous_ms) + " ms";
        else if (words.size() < 2)
            wrong = "nothing happens at " + words[0] + " ms: a verb is missing";
        else
            read_event(words, line, &event, &wrong);
        if (!wrong.empty()) {
            *error = std::string(name) + ":" + std::to_string(number) + ": " + wrong;
            return false;
        }
        event.ms = previous_ms = ms;
        events->push_back(event);
    }
    return true;
}

std::string key_name(int32_t code) {
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
    if (code >= vk_f1 && code < vk_f1 + 24) return "F" + std::to_string(code - vk_f1 + 1);
    if (code >= vk_numpad0 && code < vk_numpad0 + 10) return "Numpad" + std::to_string(code - vk_numpad0);
    for (const KeyName& k : key_names)
        if (k.code == code) return k.name;
    return "vk" + std::to_string(code);
}

std::string timeline_line(const TimelineEvent& e) {
    std::string line = std::to_string(e.ms) + " ";
    for (const VerbName& v : verb_names)
        if (v.verb == e.verb) line += v.name;
    auto place = [&] { return " " + std::to_string(e.x) + " " + std::to_string(e.y); };
    switch (e.verb) {
    case TimelineVerb::down:
    case TimelineVerb::up:
    case TimelineVerb::tap:
        return line + " " + key_name(e.key);
    case TimelineVerb::type: {
        char utf8[1024];
        ansi_to_utf8(e.chars.c_str(), utf8, sizeof utf8);
        return line + " " + utf8;
    }
    case TimelineVerb::character:
        return line + " " + std::to_string(static_cast<uint8_t>(e.chars[0]));
    case TimelineVerb::move:
        return line + place();
    case TimelineVerb::press:
    case TimelineVerb::release:
    case TimelineVerb::click:
        return line + " " + button_names[static_cast<int32_t>(e.button)] + (e.at_place ? place() : "");
    case TimelineVerb::wheel:
        return line + " " + std::to_string(e.notches);
    default:
        return line;
    }
}
