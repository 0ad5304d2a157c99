// The page's program entry. The page passes its address's options as arguments (--rest 1
// or 0); the zoom is the page's own business, so the host always sees the canvas's 240 x 160.
// main runs on a worker (PROXY_TO_PTHREAD), which becomes the window thread.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/host.h"
#include "platform/messages.h"
#include "platform/web/web_page.h"

int main(int argc, char** argv) {
    ParsedOptions parsed = parse_host_options(argc, argv, [](const char*) -> const char* { return nullptr; });
    if (!parsed.error.empty()) {
        pictavon_page_report(parsed.error.c_str());
        return 2;
    }
    host_options = parsed.options;
    host_options.zoom = 1;
    // exit, not a return: the runtime then stops the program thread's worker too.
    std::exit(host_main(nullptr, SW_SHOWDEFAULT));
}
