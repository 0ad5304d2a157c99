// The end-to-end test hosts' entry: the host as the shipped program runs it, then, on the
// window thread where they live, the typed characters and the wheel total, for the harness
// to read on standard output.
#include <cstdio>
#include <cstdlib>

#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"

// Every ending goes through _exit: a line from here means one went through exit().
void report_exit_handlers() { std::fputs("exit handlers ran\n", stderr); }

int main() {
    std::atexit(report_exit_handlers);
    int32_t exit_code = host_main(nullptr, SW_SHOWDEFAULT);
    std::printf("chars:");
    for (int32_t i = 1; i <= char_queue.count; ++i) std::printf(" %02x", char_queue.chars[i].load());
    std::printf("\nwheel_total: %d\n", static_cast<int>(wheel_total));
    // The program thread may still run: no destructors, no atexit handlers.
    std::fflush(stdout);
    std::_Exit(exit_code);
}
