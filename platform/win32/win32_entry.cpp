// The Windows program's entry: host_main with this module and the start-up show command.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/host.h"

// The show command the process was started with, as the shell or the parent asked for it.
static int32_t startup_show_command() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

// The program's file name without its folder and ".exe", as the error lines name it.
static const char* program_name() {
    static char name[MAX_PATH];
    const char* path = __argc > 0 && __argv[0] != nullptr ? __argv[0] : "pictavon";
    const char* base = path;
    for (const char* c = path; *c != 0; ++c)
        if (*c == '\\' || *c == '/') base = c + 1;
    std::snprintf(name, sizeof name, "%s", base);
    size_t length = std::strlen(name);
    if (length > 4 && _stricmp(name + length - 4, ".exe") == 0) name[length - 4] = 0;
    return name;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    ParsedOptions parsed = parse_host_options(__argc, __argv, 
                                               [](const char* name) -> const char* { return std::getenv(name); });
    if (!parsed.error.empty()) {
        // Before any window. Started from a console the line is seen; from the desktop, the
        // exit code is all that is left of it.
        std::fprintf(stderr, "%s: %s\n", program_name(), parsed.error.c_str());
        std::fflush(nullptr);
        ExitProcess(2);
    }
    host_options = parsed.options;
    int32_t exit_code =
        host_main(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), startup_show_command());
    // The program thread may be anywhere, even mid-frame: end the process now, without the
    // C++ run-time's exit handlers that could pull state from under it.
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exit_code));
}
