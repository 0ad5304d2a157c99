// The Windows program's entry: host_main with this module and the start-up show command.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>

#include "host/host.h"

// The show command the process was started with, as the shell or the parent asked for it.
static int32_t startup_show_command() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int32_t exit_code =
        host_main(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), startup_show_command());
    // The program thread may be anywhere, even mid-frame: end the process now, without the
    // C++ run-time's exit handlers that could pull state from under it.
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exit_code));
}
