// The Linux program's entry: the host runs on this first thread, which becomes the window
// thread, and the process ends with its result.
#include <cstdio>

#include <unistd.h>

#include "host/host.h"
#include "platform/messages.h"

int main() {
    int32_t exit_code = host_main(nullptr, SW_SHOWDEFAULT);
    // The program thread may still be drawing: flush the streams, then end the process
    // without running destructors or atexit handlers under its feet.
    std::fflush(nullptr);
    _exit(exit_code);
}
