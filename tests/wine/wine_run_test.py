"""tools/wine-run.sh on a program that cannot start (a DLL it imports is not there): a
non-zero exit, and Wine's own words on stderr naming the DLL.

    python3 wine_run_test.py WINE_RUN PREFIX PROGRAM.exe DLL_NAME
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402

if shutil.which("wine64") is None and shutil.which("wine") is None:
    print("SKIPPED: Wine is not installed")
    sys.exit(77)
wine_run, prefix, program, dll = sys.argv[1:5]
# On a display, as every Wine run of the suite: a Wine server started with none would keep
# a desktop with no display for the tests that follow within its few seconds.
xvfb, display = harness.start_xvfb()
try:
    result = subprocess.run([wine_run, prefix, program], capture_output=True, timeout=120,
                            stdin=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display))
except subprocess.TimeoutExpired:
    sys.exit("FAILED: the program that cannot start did not end within 120 s")
finally:
    harness.stop_xvfb(xvfb)
err = result.stderr.decode("utf-8", "replace")
if result.returncode == 0:
    sys.exit(f"FAILED: exit code 0 for a program that cannot start; stderr:\n{err}")
if dll.lower() not in err.lower():
    sys.exit(f"FAILED: exit code {result.returncode}, and nothing on stderr names {dll}:\n{err}")
line = next(l for l in err.splitlines() if dll.lower() in l.lower())
print(f"ok: exit code {result.returncode}: {line}")
