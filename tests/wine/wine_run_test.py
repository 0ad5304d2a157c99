"""tools/wine-run.sh on a program that cannot start (a DLL it imports is not there): a
non-zero exit, and Wine's own words on stderr naming the DLL.

    python3 wine_run_test.py WINE_RUN PREFIX PROGRAM.exe DLL_NAME
"""
import shutil
import subprocess
import sys

if shutil.which("wine64") is None and shutil.which("wine") is None:
    print("SKIPPED: Wine is not installed")
    sys.exit(77)
wine_run, prefix, program, dll = sys.argv[1:5]
try:
    result = subprocess.run([wine_run, prefix, program], capture_output=True, timeout=120,
                            stdin=subprocess.DEVNULL)
except subprocess.TimeoutExpired:
    sys.exit("FAILED: the program that cannot start did not end within 120 s")
err = result.stderr.decode("utf-8", "replace")
if result.returncode == 0:
    sys.exit(f"FAILED: exit code 0 for a program that cannot start; stderr:\n{err}")
if dll.lower() not in err.lower():
    sys.exit(f"FAILED: exit code {result.returncode}, and nothing on stderr names {dll}:\n{err}")
line = next(l for l in err.splitlines() if dll.lower() in l.lower())
print(f"ok: exit code {result.returncode}: {line}")
