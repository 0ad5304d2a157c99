// The Windows end-to-end test host's entry: the host started as the shipped program starts
// it, then, on the window thread where they live, the typed characters and the wheel total
// on standard output for the harness to read.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>

#include "host/host.h"
#include "host/input.h"

int main() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int32_t show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    int32_t exit_code = host_main(reinterpret_cast<InstanceHandle>(GetModuleHandleA(nullptr)), show);
    std::printf("chars:");
    for (int32_t i = 1; i <= char_queue.count; ++i) std::printf(" %02x", char_queue.chars[i].load());
    std::printf("\nwheel_total: %d\n", static_cast<int>(wheel_total));
    // The program thread may still run: no exit handlers under its feet.
    std::fflush(nullptr);
    ExitProcess(static_cast<UINT>(exit_code));
}
