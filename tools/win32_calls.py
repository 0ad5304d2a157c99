"""The USER32 and GDI32 calls a Windows program makes, as Wine's relay trace sees them: run it
before and after a change to the seam and compare, to show the Windows program's calls are
unchanged.

    python3 tools/win32_calls.py [--seconds S] [--cwd DIR] -- PREFIX PROGRAM.exe > calls.txt

Starts PROGRAM.exe in the Wine prefix PREFIX on a fresh Xvfb, lets it run S seconds (default
3), closes its window and prints, for each of the program's threads, the calls it made in
order: handles and addresses renamed by first appearance (they differ from run to run), and
a run of one to three calls repeated more than twice folded into "[N x] ..." (how many
timer ticks a run sees depends on the machine)."""
import argparse
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import WINDOW_TITLE, Failure, Session  # noqa: E402

CALL = re.compile(r"^([0-9a-f]{4}):([0-9a-f]{4}):Call ((?:user32|gdi32)\.\w+)\((.*)\) ret=\w+$")


def wine_program():
    for name in ("wine64", "wine"):
        for folder in os.environ.get("PATH", "").split(os.pathsep):
            if os.access(os.path.join(folder, name), os.X_OK):
                return os.path.join(folder, name)
    raise SystemExit("win32_calls: Wine is not installed")


def trace(prefix, program, cwd, seconds):
    """The program's relay output, with process and thread ids on every line."""
    wine = wine_program()
    env = dict(os.environ, WINEPREFIX=os.path.realpath(prefix), WINEDLLOVERRIDES="mscoree,mshtml=",
               WINEDEBUG="-all")
    # Only USER32 and GDI32: the frame clock's counter reads would drown everything else.
    # The server, started here without tracing, serves the traced program next.
    subprocess.run(["wineserver", "-p30"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run([wine, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                    "/d", "user32.*;gdi32.*", "/f"], env=env, check=True, capture_output=True)
    env["WINEDEBUG"] = "+pid,+relay"
    with Session([wine, program], env=env, cwd=cwd) as s:
        s.start()
        window = s.find_window(WINDOW_TITLE, 60)
        time.sleep(seconds)
        s.close(window)
        s.wait_exit(30)
        return s.output()


def renamer():
    names = {}

    def name(argument):
        argument = argument.strip()
        try:
            value = int(argument.split()[0], 16)
        except ValueError:
            return argument
        if value < 0x10000:  # a constant, not a handle or an address
            return argument
        text = argument.split(maxsplit=1)[1:]  # a string argument keeps its text
        label = names.setdefault(value, f"H{len(names)}")
        return " ".join([label] + text)
    return name


def fold(calls):
    out, i = [], 0
    while i < len(calls):
        size, count = 1, 1
        for k in (1, 2, 3):
            n = 1
            while calls[i + n * k:i + (n + 1) * k] == calls[i:i + k]:
                n += 1
            if n > 2:
                size, count = k, n
                break
        out.append(("[N x] " if count > 1 else "") + " ; ".join(calls[i:i + size]))
        i += size * count
    return out


def calls_by_thread(output):
    lines = [m.groups() for m in map(CALL.match, output.splitlines()) if m]
    process = next((pid for pid, _, fn, args in lines if fn == "user32.RegisterClassExA"), None)
    if process is None:
        raise Failure("the trace shows no RegisterClassExA: was the program traced?")
    name = renamer()
    threads = {}
    for pid, tid, fn, args in lines:
        if pid == process:
            parts = re.findall(r'[^,"]*"[^"]*"|[^,]+', args)
            threads.setdefault(tid, []).append(f"{fn}({','.join(name(p) for p in parts)})")
    return threads


def main():
    if "--" not in sys.argv:
        raise SystemExit(__doc__)
    split = sys.argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=3)
    parser.add_argument("--cwd")
    options = parser.parse_args(sys.argv[1:split])
    prefix, program = sys.argv[split + 1:split + 3]
    threads = calls_by_thread(trace(prefix, os.path.realpath(program), options.cwd, options.seconds))
    for number, calls in enumerate(threads.values()):
        print("== the window thread" if number == 0 else f"== thread {number + 1}")
        for line in fold(calls):
            print(line)


if __name__ == "__main__":
    main()
