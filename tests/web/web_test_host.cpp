// The web test host: the end-to-end test routine in a page, reporting what it took once the
// run has ended (the page keeps the program's output).
#include <cstdlib>

#include "host/host.h"
#include "platform/messages.h"
#include "tests/e2e/test_routine.h"

int main(int argc, char** argv) {
    host_options = parse_host_options(argc, argv, [](const char*) -> const char* { return nullptr; }).options;
    host_options.zoom = 1;
    int32_t code = host_main(nullptr, SW_SHOWDEFAULT);
    report_input();
    std::exit(code);
}
