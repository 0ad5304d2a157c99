// A program's headless twin (NAME-replay): the same routine and host, played along a
// timeline on the replay backend, its pictures written as PNG.
//
//   NAME-replay --replay TIMELINE [--pictures DIR] [--at MS[,MS...]] [--every-present]
//               [--golden DIR] [the program's own options]
//
// Pictures go to DIR (default: the current folder, created if missing): at-MS.png for each
// time asked, present-N.png for each of the routine's presents with --every-present, and
// always last.png, the window's picture when the run ended. With --golden, every PNG in that
// folder is compared with the picture of its name (its at-MS.png times are added to --at).
// Exit code: the run's (0, or 1 when the host could not start), 2 for a bad command line or
// timeline (nothing is run and nothing written), 3 when pictures differ from golden ones.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "host/host.h"
#include "platform/code_page.h"
#include "platform/messages.h"
#include "platform/replay/golden.h"
#include "platform/replay/replay.h"
#include "surface/picture.h"

namespace {

struct ReplayOptions {
    const char* timeline = nullptr;
    std::string pictures = ".";
    std::vector<int64_t> at;
    bool every_present = false;
    const char* golden = nullptr;
    std::vector<const char*> host_arguments;  // argv[0] and what the host takes
    std::string error;
};

std::string program_name(const char* path) {
    std::string name = std::filesystem::path(path != nullptr ? path : "replay").stem().string();
    return name.empty() ? "replay" : name;
}

bool read_times(const char* list, std::vector<int64_t>* times) {
    std::string text = list;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != std::string::npos)
            return false;
        times->push_back(std::stoll(word));
        start = end + 1;
    }
    return true;
}

ReplayOptions parse_replay_options(int argc, char** argv) {
    ReplayOptions o;
    o.host_arguments.push_back(argv[0]);
    for (int i = 1; i < argc && o.error.empty(); ++i) {
        std::string a = argv[i];
        auto value = [&](const char* option) -> const char* {
            if (i + 1 < argc) return argv[++i];
            o.error = std::string(option) + " needs a value";
            return nullptr;
        };
        if (a == "--replay") {
            o.timeline = value("--replay");
        } else if (a == "--pictures") {
            if (const char* v = value("--pictures")) o.pictures = v;
        } else if (a == "--at") {
            const char* v = value("--at");
            if (v != nullptr && !read_times(v, &o.at))
                o.error = std::string("bad value '") + v + "' for --at: it takes MS[,MS...], whole milliseconds";
        } else if (a == "--every-present") {
            o.every_present = true;
        } else if (a == "--golden") {
            o.golden = value("--golden");
        } else {
            o.host_arguments.push_back(argv[i]);
        }
    }
    if (o.error.empty() && o.timeline == nullptr)
        o.error = "--replay TIMELINE is needed: the input to play, one event a line";
    return o;
}

bool read_file(const char* path, std::string* text) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text->append(chunk, n);
    bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// The pictures' folder and whether one could not be written: the sink runs inside the run.
std::string pictures_folder;
int32_t unwritten_pictures;

void write_picture(const char* name, const uint8_t* rgb) {
    std::string path = pictures_folder + "/" + name + ".png";
    if (write_picture_png(path.c_str(), rgb) != 0) return;
    if (unwritten_pictures++ == 0) std::fprintf(stderr, "replay: cannot write %s\n", path.c_str());
}

[[noreturn]] void finish(int32_t code) {
    std::fflush(nullptr);
    std::_Exit(code);  // the program thread may still be waiting for its turn: no destructors
}

[[noreturn]] void refuse(const std::string& name, const std::string& what) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), what.c_str());
    finish(2);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string name = program_name(argc > 0 ? argv[0] : nullptr);
    ReplayOptions o = parse_replay_options(argc, argv);
    if (!o.error.empty()) refuse(name, o.error);
    ParsedOptions parsed = parse_host_options(static_cast<int>(o.host_arguments.size()), o.host_arguments.data(),
                                              [](const char* variable) -> const char* { return std::getenv(variable); });
    if (!parsed.error.empty()) refuse(name, parsed.error);

    std::string text;
    ReplayPlan plan;
    std::string error;
    if (!read_file(o.timeline, &text)) refuse(name, std::string("cannot read the timeline ") + o.timeline);
    // One line naming the file and the line; nothing runs and nothing is written.
    if (!parse_timeline(text, o.timeline, &plan.events, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        finish(2);
    }
    GoldenSet golden;
    if (o.golden != nullptr) {
        golden = read_golden_folder(o.golden);
        if (!golden.error.empty()) refuse(name, golden.error);
        o.at.insert(o.at.end(), golden.picture_ms.begin(), golden.picture_ms.end());
    }
    std::error_code made;
    std::filesystem::create_directories(o.pictures, made);
    if (made) refuse(name, "cannot make the pictures' folder " + o.pictures + ": " + made.message());

    pictures_folder = o.pictures;
    plan.picture_ms = o.at;
    plan.every_present = o.every_present || golden.needs_every_present;
    plan.sink = write_picture;
    replay_prepare(plan);
    host_options = parsed.options;
    int32_t exit_code = host_main(nullptr, SW_SHOWDEFAULT);

    write_picture("last", replay_window_picture());
    ReplayOutcome outcome = replay_outcome();
    char title[1024];
    ansi_to_utf8(outcome.ansi_title, title, sizeof title);
    std::string routine = outcome.routine_ended ? "returned " + std::to_string(outcome.routine_exit_code) : "still running";
    std::printf("replay: %lld ms of virtual time, %lld presents, title \"%s\", routine %s\n",
                static_cast<long long>(outcome.virtual_ms), static_cast<long long>(outcome.presents), title,
                routine.c_str());
    // Closed before a time asked for: that picture does not exist, and the run says so.
    for (int64_t ms : o.at) {
        if (ms <= outcome.virtual_ms) continue;
        std::fprintf(stderr, "%s: no picture at %lld ms: the window was closed at %lld ms\n", name.c_str(),
                     static_cast<long long>(ms), static_cast<long long>(outcome.virtual_ms));
        ++unwritten_pictures;
    }
    if (unwritten_pictures > 0) finish(1);
    if (o.golden != nullptr && compare_with_golden(golden, o.golden, o.pictures) > 0) finish(3);
    finish(exit_code);
}
