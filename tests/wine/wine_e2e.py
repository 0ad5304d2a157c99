"""The end-to-end checks of tests/e2e on the Windows build under Wine: the same harness and
the same checks as the SDL build; only the command that starts the program differs.

    python3 wine_e2e.py --checks NAME[,NAME...] [harness options] -- tools/wine-run.sh PREFIX PROGRAM.exe

Ends with 77, which CTest counts as skipped, when Wine is not installed.
"""
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import e2e_ball  # noqa: E402
import e2e_close  # noqa: E402
import e2e_demo  # noqa: E402
import e2e_hello  # noqa: E402
import e2e_keys  # noqa: E402
import e2e_paint  # noqa: E402
import e2e_program  # noqa: E402
import e2e_refresh  # noqa: E402
import e2e_window  # noqa: E402
import harness  # noqa: E402

SKIPPED = 77


def no_display_is_exit_code_1(options):
    """With no display the window cannot be made: exit code 1, the one thing a program with
    no console can say; not 0, which would report the failure as a success.

    A copy runs on a display meanwhile: the Wine server, kept a few seconds for the next
    test, must have made its desktop with a display, or every program it serves next would
    find none."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    with harness.Session(options.command, cwd=options.cwd, xwin=options.xwin) as shown:
        shown.start()
        window = shown.find_window(harness.WINDOW_TITLE, options.start_timeout)
        try:
            result = subprocess.run(options.command, env=env, cwd=options.cwd, stdin=subprocess.DEVNULL,
                                    capture_output=True, timeout=60)
        except subprocess.TimeoutExpired:
            raise harness.Failure("still running after 60 s with no display")
        if result.returncode != 1:
            raise harness.Failure(f"exit code {result.returncode} with no display, not 1; stderr:\n"
                                  f"{result.stderr.decode('utf-8', 'replace')}")
        shown.close_and_expect_exit_0(window, options.exit_timeout)


# What Win32 does under Wine as the SDL build does it. SIGTERM is left out: it is SDL that
# makes a close request of it, while Wine ends the process.
CHECKS = {check.__name__: check for check in (
    e2e_window.window_picture_and_close, e2e_window.keys_and_buttons, e2e_window.system_keys,
    e2e_window.alt_f4_closes, e2e_window.characters_and_wheel, e2e_window.full_screen_and_back,
    e2e_close.close_at_any_moment,
    e2e_close.type_while_closing, e2e_close.destroyed_from_outside,
    e2e_refresh.refresh_and_end_of_run, e2e_refresh.prompt_counts_presses,
    e2e_refresh.end_run_ends_with_its_code, e2e_program.shipped_program, no_display_is_exit_code_1,
    e2e_program.auto_zoom_fits_the_screen, e2e_program.bad_options_end_with_code_2,
    e2e_program.rest_leaves_the_processor_free, e2e_keys.cursor_blinks,
    *e2e_demo.CHECKS,
    e2e_hello.readme_prints_the_example, e2e_hello.hello_runs_as_printed,
    e2e_keys.viewer_and_end_of_run, e2e_keys.refresh_through_a_flood, e2e_ball.bouncing_ball, e2e_paint.painting_with_the_pointer)}


def main():
    args = sys.argv[1:]
    if "--checks" not in args or "--" not in args:
        raise SystemExit(__doc__)
    at = args.index("--checks")
    names = args[at + 1].split(",")
    del args[at:at + 2]
    unknown = [n for n in names if n not in CHECKS]
    if unknown:
        raise SystemExit(f"unknown checks: {', '.join(unknown)}; known: {', '.join(CHECKS)}")
    split = args.index("--")
    command = args[split + 1:]
    if shutil.which("wine64") is None and shutil.which("wine") is None:
        print("SKIPPED: Wine is not installed (neither wine64 nor wine is on the path); "
              "install Debian's wine and wine64 to run the Windows build's end-to-end tests")
        sys.exit(SKIPPED)
    sys.argv = [sys.argv[0]] + args[:split + 1] + command
    harness.main([CHECKS[n] for n in names], __doc__)


if __name__ == "__main__":
    main()
