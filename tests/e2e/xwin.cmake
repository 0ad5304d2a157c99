# The end-to-end tests' Xlib helper, built the same way in every build: by this machine's own
# C compiler (a cross build's compiler makes programs for another system) and with no
# sanitizer (its leak report of Xlib's caches would fail the helper, a tool of the tests and
# not under test). Defines the target pictavon_xwin and the program's path, PICTAVON_XWIN.
find_program(PICTAVON_HOST_CC NAMES cc gcc REQUIRED)
set(PICTAVON_XWIN ${CMAKE_CURRENT_BINARY_DIR}/xwin)
set(xwin_sources ${CMAKE_SOURCE_DIR}/tests/e2e/xwin.c ${CMAKE_SOURCE_DIR}/tests/e2e/xwindow.c)
add_custom_command(OUTPUT ${PICTAVON_XWIN}
                   COMMAND ${PICTAVON_HOST_CC} -O2 -Wall -Wextra -Wpedantic -Werror -I${CMAKE_SOURCE_DIR}
                           -o ${PICTAVON_XWIN} ${xwin_sources} -lX11
                   DEPENDS ${xwin_sources} ${CMAKE_SOURCE_DIR}/tests/e2e/xwindow.h VERBATIM)
add_custom_target(pictavon_xwin ALL DEPENDS ${PICTAVON_XWIN})
