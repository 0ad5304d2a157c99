// The 10 ms timer step: the end of a run, and the refresh with a blinking cursor for
// routines that do not present their pictures themselves.
#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"
#include "surface/draw.h"
#include "surface/surface.h"

int32_t run_finished;
int32_t cursor_x, cursor_y;

namespace {

constexpr char end_of_run_title[] =
    "Termin\xE9. Appuyez sur une touche/cliquez pour continuer.";  // Windows-1252

// Inverts the 7 x 2 underline 8 rows below the cursor in the odd 500 ms halves of the
// tick count; called twice with the same tick, it leaves the back buffer as it was.
bool cursor_shown(int32_t ticks) {
    int32_t q = ticks / 500;  // truncates toward zero, negative ticks included
    return q % 2 != 0;
}
void blink_cursor(int32_t ticks) {
    if (cursor_shown(ticks)) invert_rect(cursor_x, cursor_y + 8, 7, 2);
}

bool program_running() {
    uint32_t code = 0;
    return platform_thread_exit_code(program_thread, &code) != 0 && code == STILL_ACTIVE;
}

void end_of_run(WindowHandle window) {
    if (run_finished == 0) {
        present();  // the last picture as the program left it, without the cursor
        platform_set_title(host_window, end_of_run_title);
    }
    run_finished = 1;
    if (take_any_key() != 0) platform_destroy_window(window);
}

void refresh() {
    int32_t ticks = static_cast<int32_t>(platform_tick_count_ms());
    // A browser cannot hold the thread: it shows a copy with the cursor on it instead.
    if (platform_present_unheld(surface.window_dc.load(std::memory_order_relaxed), cursor_x, cursor_y + 8,
                                cursor_shown(ticks) ? 7 : 0, 2) != 0)
        return;
    platform_suspend_thread(program_thread);
    // The program may have set the flag and reached its own present between the test and
    // the hold: two presents at once can wedge the window system, so let it go untouched.
    if (manual_refresh.load(std::memory_order_relaxed) != 0) {
        platform_resume_thread(program_thread);
        return;
    }
    blink_cursor(ticks);
    present();
    blink_cursor(ticks);
    platform_resume_thread(program_thread);
}

}  // namespace

void timer_step(WindowHandle window) {
    if (!program_running()) end_of_run(window);
    if (surface.memory_dc != nullptr && surface.hbm != nullptr &&
        manual_refresh.load(std::memory_order_relaxed) == 0)
        refresh();
}
