// The Windows end-to-end test host's entry: the host started as the shipped program starts
// it, then, on the window thread where they live, the input it received and took
// on standard output for the harness to read.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>

#include "host/host.h"
#include "tests/e2e/test_routine.h"

int main() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int32_t show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    int32_t exit_code = host_main(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), show);
    report_input();
    // The program thread may still run: no exit handlers under its feet.
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exit_code));
}
