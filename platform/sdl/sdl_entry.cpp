// The Linux program's entry: the ending signals' handlers, the options, then the host on
// this first thread, which becomes the window thread; the process ends with its result.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "host/host.h"
#include "platform/messages.h"
#include "platform/sdl/sdl_host_window.h"

int main(int argc, char** argv) {
    catch_ending_signals();
    ParsedOptions parsed = parse_host_options(argc, argv,
                                              [](const char* name) -> const char* { return std::getenv(name); });
    if (!parsed.error.empty()) {  // before any window: the user reads why, the caller the code
        platform_report_failure(parsed.error.c_str());
        _exit(2);
    }
    host_options = parsed.options;
    int32_t exit_code = host_main(nullptr, SW_SHOWDEFAULT);
    // The program thread may still be drawing: flush the streams, then end the process
    // without running destructors or atexit handlers under its feet.
    std::fflush(nullptr);
    _exit(exit_code);
}
