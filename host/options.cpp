// The command line and the environment, read into HostOptions by one table: an option is a
// row, with its environment variable, what it accepts, and how it stores a value.
#include "host/options.h"

#include <cstring>

namespace {

struct OptionRule {
    const char* name;         // "--zoom"
    const char* environment;  // "PICTAVON_ZOOM"
    const char* accepted;     // for the error line: what a value may be
    bool takes_value;         // false: a flag, which stores "1"
    bool (*store)(const char* value, HostOptions* options);  // false: a bad value
};

bool store_zoom(const char* value, HostOptions* options) {
    if (std::strcmp(value, "auto") == 0) {
        options->zoom = zoom_auto;
        return true;
    }
    // One digit, 1 to 8: no sign, no spaces, no leading zero, nothing after it.
    if (value[0] < '1' || value[0] > '0' + largest_zoom || value[1] != 0) return false;
    options->zoom = value[0] - '0';
    return true;
}

// A flag stores "1"; its environment variable may also say "0", to leave it off.
bool store_flag(const char* value, bool* flag) {
    if ((value[0] != '0' && value[0] != '1') || value[1] != 0) return false;
    *flag = value[0] == '1';
    return true;
}
bool store_rest(const char* value, HostOptions* options) { return store_flag(value, &options->rest); }
bool store_full_screen(const char* value, HostOptions* options) { return store_flag(value, &options->full_screen); }

// A file name, kept as given: argv and the environment outlive the run.
bool store_record(const char* value, HostOptions* options) {
    if (value[0] == 0) return false;
    options->record = value;
    return true;
}

const OptionRule rules[] = {
    {"--zoom", "PICTAVON_ZOOM", "1 to 8 or auto", true, store_zoom},
    {"--rest", "PICTAVON_REST", "1 or 0", false, store_rest},
    {"--record", "PICTAVON_RECORD", "a file to write the input to", true, store_record},
    {"--fullscreen", "PICTAVON_FULLSCREEN", "1 or 0", false, store_full_screen},
};

std::string accepted_options() {
    std::string list;
    for (const OptionRule& rule : rules) {
        if (!list.empty()) list += ", ";
        list += rule.name;
        if (rule.takes_value) list += std::string(" (") + rule.accepted + ")";
    }
    return list;
}

// The length of the well-formed UTF-8 sequence at s (shortest form, no surrogate, at most
// U+10FFFF), or 0 when the bytes there are none.
size_t utf8_length(const unsigned char* s) {
    size_t length = s[0] < 0xC2 ? 0 : s[0] < 0xE0 ? 2 : s[0] < 0xF0 ? 3 : s[0] < 0xF5 ? 4 : 0;
    for (size_t i = 1; i < length; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    if ((s[0] == 0xE0 && s[1] < 0xA0) || (s[0] == 0xED && s[1] >= 0xA0) || (s[0] == 0xF0 && s[1] < 0x90) ||
        (s[0] == 0xF4 && s[1] >= 0x90))
        return 0;
    return length;
}

// What the user typed, as the error line may show it: a terminal given a control byte (an
// escape sequence, say) or bytes that are no UTF-8 would act on them or garble the line,
// so those come out as \xNN; printable ASCII and well-formed UTF-8 letters stay as typed.
std::string echoed(const char* text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    while (*s != 0) {
        size_t length = s[0] >= 0x20 && s[0] < 0x7F ? 1 : utf8_length(s);
        // U+0080..U+009F are control characters too, the 8-bit escape introducers among them.
        if (length == 2 && s[0] == 0xC2 && s[1] < 0xA0) length = 0;
        if (length == 0) {
            out += {'\\', 'x', hex[s[0] >> 4], hex[s[0] & 0xF]};
            ++s;
            continue;
        }
        out.append(reinterpret_cast<const char*>(s), length);
        s += length;
    }
    return out;
}

std::string bad_value(const char* where, const char* value, const OptionRule& rule) {
    return std::string("bad value '") + echoed(value) + "' for " + where + ": it takes " + rule.accepted;
}

// The rule that argument names, with its value if written "--name=value".
const OptionRule* rule_of(const char* argument, const char** inline_value) {
    *inline_value = nullptr;
    for (const OptionRule& rule : rules) {
        size_t length = std::strlen(rule.name);
        if (std::strncmp(argument, rule.name, length) != 0) continue;
        if (argument[length] == 0) return &rule;
        if (argument[length] == '=' && rule.takes_value) {
            *inline_value = argument + length + 1;
            return &rule;
        }
    }
    return nullptr;
}

}  // namespace

ParsedOptions parse_host_options(int argc, const char* const* argv, EnvironmentGetter environment) {
    constexpr size_t rule_count = sizeof rules / sizeof rules[0];
    ParsedOptions parsed;
    bool given[rule_count] = {};
    for (int i = 1; i < argc; ++i) {
        const char* value = nullptr;
        const OptionRule* rule = rule_of(argv[i], &value);
        if (rule == nullptr) {
            parsed.error = std::string("unknown argument '") + echoed(argv[i]) + "': the options are " + accepted_options();
            return parsed;
        }
        if (rule->takes_value && value == nullptr) {
            if (i + 1 == argc) {
                parsed.error = std::string(rule->name) + " needs a value: " + rule->accepted;
                return parsed;
            }
            value = argv[++i];
        }
        if (!rule->store(rule->takes_value ? value : "1", &parsed.options)) {
            parsed.error = bad_value(rule->name, value, *rule);
            return parsed;
        }
        given[rule - rules] = true;
    }
    for (size_t r = 0; r < rule_count; ++r) {
        const char* value = given[r] ? nullptr : environment(rules[r].environment);
        if (value == nullptr || value[0] == 0) continue;
        if (!rules[r].store(value, &parsed.options)) {
            parsed.error = bad_value(rules[r].environment, value, rules[r]);
            return parsed;
        }
    }
    return parsed;
}
