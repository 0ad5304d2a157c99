// The 10 ms timer step: the end of a run, and the refresh with a blinking cursor for
// routines that do not present their pictures themselves.
#include "host/host.h"
#include "host/input.h"
#include "platform/messages.h"
#include "surface/draw.h"
#include "surface/surface.h"

int32_t run_finished;
int32_t prompt_waiting;
std::atomic<int32_t> end_run_request;
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
    // Presses are counted, not states polled, so a tap shorter than a step is seen. Only
    // those made once the prompt is up count: a press the routine left untaken, a key still
    // held from it (its repeats and its release are no presses) do not close the window.
    uint32_t presses = take_all_presses();
    if (prompt_waiting != 0 && presses != 0) platform_destroy_window(window);
    prompt_waiting = 1;
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

void end_run(int32_t code) {
    end_run_request.store(1 + (code >= 0 && code <= 255 ? code : 255), std::memory_order_relaxed);
    // The window thread ends the process within a step; until then this thread waits,
    // drawing nothing more and taking nothing more.
    for (;;) platform_sleep_until(platform_counter() + platform_counter_frequency());
}

void timer_step(WindowHandle window) {
    // The routine asked to end: closed as the user closes it, with no prompt.
    if (end_run_request.load(std::memory_order_relaxed) != 0) {
        if (quit_requested == 0) window_proc(window, WM_CLOSE, 0, 0);
        return;
    }
    if (program_running()) {
        prompt_waiting = 0;  // a routine started late still gets a prompt of its own at its end
    } else {
        end_of_run(window);
    }
    if (surface.memory_dc != nullptr && surface.hbm != nullptr &&
        manual_refresh.load(std::memory_order_relaxed) == 0)
        refresh();
}
