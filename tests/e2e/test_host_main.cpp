// The end-to-end test hosts' entry: the host as the shipped program runs it, then, on the
// window thread where they live, the input it received and took, for the harness
// to read on standard output.
#include <cstdio>
#include <cstdlib>

#include "host/host.h"
#include "tests/e2e/test_routine.h"
#include "platform/messages.h"

// Every ending goes through _exit: a line from here means one went through exit().
void report_exit_handlers() { std::fputs("exit handlers ran\n", stderr); }

int main() {
    std::atexit(report_exit_handlers);
    int32_t exit_code = host_main(nullptr, SW_SHOWDEFAULT);
    report_input();
    // The program thread may still run: no destructors, no atexit handlers.
    std::fflush(stdout);
    std::_Exit(exit_code);
}
