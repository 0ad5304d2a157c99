"""The installation and the packages, started as a user would start them: a staged
`cmake --install` through its launcher on the PATH and through its desktop entry, the .deb
unpacked into a throw-away root, and the Windows zip unpacked into an empty folder and run
under Wine. Each must show the demo's exact first view, ball included, and close cleanly.

    python3 package_test.py --build build --packages out/packages [--build-win build-win]
                            [--checks NAME,...]
"""
import argparse
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))

import e2e_demo  # noqa: E402
from harness import SMALL_SCREEN, Failure, Session  # noqa: E402

SPRITE = os.path.join(ROOT, "assets", "balle.bmp")
ICON_SIZES = (32, 64)
# What the Linux installation holds, below its prefix.
INSTALLED = {"bin/pictavon", "libexec/pictavon/pictavon", "share/pictavon/balle.bmp",
             "share/applications/pictavon.desktop", "share/doc/pictavon/README.md",
             "share/doc/pictavon/docs/start-view.png", "share/doc/pictavon/docs/flight.gif",
             *(f"share/icons/hicolor/{n}x{n}/apps/pictavon.png" for n in ICON_SIZES)}
ZIPPED = {"pictavon.exe", "balle.bmp", "README.md", "docs/start-view.png", "docs/flight.gif"}
# The DLLs every Windows has: the .exe may import these and no other.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}


def run(*args, **kwargs):
    return subprocess.run(list(args), capture_output=True, text=True, **kwargs)


def files_below(top):
    return {os.path.relpath(os.path.join(d, f), top) for d, _, fs in os.walk(top) for f in fs}


def expect_first_view(options, command, cwd=None, env=None, start_timeout=None, exit_timeout=None, zoom=1,
                      screen=None):
    """Starts command on a fresh Xvfb, waits for the demo's exact start view with the ball
    (enlarged zoom times), closes the window and expects exit code 0."""
    frames = e2e_demo.Frames(options.frame_tool, SPRITE)
    view = argparse.Namespace(start_timeout=start_timeout or options.start_timeout)
    with Session(command, cwd=cwd, env=env, xwin=options.xwin, zoom=zoom, screen=screen) as s:
        window = e2e_demo.start_demo(s, view, frames)
        s.close_and_expect_exit_0(window, exit_timeout or options.exit_timeout)


def read_desktop_entry(path):
    entry, group = {}, None
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if line.startswith("["):
            group = line
        elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            entry[key] = value
    return entry


def check_desktop_entry(prefix, entry_prefix):
    """The desktop entry below prefix: valid for desktop-file-validate, starting the program
    of an installation into entry_prefix in its sprite's folder, its icon the ball on a
    transparent ground. Returns the command and the folder a desktop would start it in."""
    path = os.path.join(prefix, "share/applications/pictavon.desktop")
    result = run("desktop-file-validate", path)
    if result.returncode != 0 or result.stdout.strip():
        raise Failure(f"desktop-file-validate {path}: {result.stdout}{result.stderr}")
    entry = read_desktop_entry(path)
    if entry.get("Path") != os.path.join(entry_prefix, "share/pictavon"):
        raise Failure(f"the desktop entry's Path is {entry.get('Path')!r}, not the sprite's folder")
    command = shlex.split(entry.get("Exec", ""))
    if command != [os.path.join(entry_prefix, "libexec/pictavon/pictavon"), "--zoom", "auto"]:
        raise Failure(f"the desktop entry starts {command}, not the installed program")
    for n in ICON_SIZES:
        icon = os.path.join(prefix, f"share/icons/hicolor/{n}x{n}/apps/{entry.get('Icon')}.png")
        alpha = run("convert", icon, "-format", "%w %h %[fx:p{0,0}.a] %[fx:p{w/2,h/2}.a]", "info:")
        if alpha.stdout.split() != [str(n), str(n), "0", "1"]:
            raise Failure(f"{icon}: not a {n} x {n} ball on a transparent ground: {alpha.stdout}{alpha.stderr}")
    return command, entry["Path"]


def staged_install(options):
    """cmake --install into a staging folder; the launcher, reached through a link in a
    folder on the PATH and started from elsewhere, enters the sprite's folder; the desktop
    entry does too."""
    with tempfile.TemporaryDirectory(prefix="pictavon-stage-") as work:
        prefix = os.path.join(work, "prefix")
        result = run("cmake", "--install", options.build, "--prefix", prefix)
        if result.returncode != 0:
            raise Failure(f"cmake --install failed: {result.stdout}{result.stderr}")
        missing, extra = INSTALLED - files_below(prefix), files_below(prefix) - INSTALLED
        if missing or extra:
            raise Failure(f"installed files: missing {sorted(missing)}, unexpected {sorted(extra)}")
        if open(os.path.join(prefix, "share/pictavon/balle.bmp"), "rb").read() != open(SPRITE, "rb").read():
            raise Failure("the installed balle.bmp is not the demo's sprite")
        path_dir, elsewhere = os.path.join(work, "path"), os.path.join(work, "elsewhere")
        os.mkdir(path_dir)
        os.mkdir(elsewhere)
        os.symlink(os.path.join(prefix, "bin", "pictavon"), os.path.join(path_dir, "pictavon"))
        env = {"PATH": path_dir + os.pathsep + os.environ.get("PATH", "")}
        expect_first_view(options, ["pictavon"], cwd=elsewhere, env=env)
        result = run(os.path.join(prefix, "bin", "pictavon"), "--help", timeout=10)
        if result.returncode != 2 or "--zoom (1 to 8 or auto)" not in result.stderr:
            raise Failure(f"the launcher took an unknown argument: {result.returncode} {result.stderr}")
        expect_first_view(options, ["pictavon", "--zoom", "3"], cwd=elsewhere, env=env, zoom=3)
        command, cwd = check_desktop_entry(prefix, prefix)
        expect_first_view(options, command, cwd=cwd, zoom=2, screen=SMALL_SCREEN)  # auto: 2 on 640 x 480


def one_package(options, pattern_end):
    names = [n for n in os.listdir(options.packages) if n.startswith("pictavon") and n.endswith(pattern_end)]
    if len(names) != 1:
        raise Failure(f"{options.packages} holds {names or 'no'} *{pattern_end}; run tools/package.sh")
    return os.path.join(options.packages, names[0])


def debian_package(options):
    """The .deb: its metadata and declared dependencies, its file list and owners; unpacked
    into a throw-away root, its launcher shows the first view."""
    deb = one_package(options, "_amd64.deb")
    fields = {}
    for name in ("Package", "Version", "Architecture", "Depends", "Maintainer", "Description", "Section"):
        fields[name] = run("dpkg-deb", "-f", deb, name).stdout.strip()
    if (fields["Package"], fields["Architecture"]) != ("pictavon", "amd64") or not fields["Version"] \
            or not fields["Maintainer"] or not fields["Description"]:
        raise Failure(f"{deb}: control fields {fields}")
    depends = {d.strip().split()[0] for d in fields["Depends"].split(",") if d.strip()}
    if not {"libsdl2-2.0-0", "libc6", "libstdc++6"} <= depends:
        raise Failure(f"{deb}: Depends: {fields['Depends']} lacks the SDL2 or C++ run-time")
    listing = run("dpkg-deb", "-c", deb).stdout.splitlines()
    entries = [line.split() for line in listing]
    files = {e[5][len("./usr/"):] for e in entries if not e[0].startswith("d")}
    if files != INSTALLED:
        raise Failure(f"{deb}: missing {sorted(INSTALLED - files)}, unexpected {sorted(files - INSTALLED)}")
    not_root = [e[5] for e in entries if e[1] != "root/root"]
    if not_root:
        raise Failure(f"{deb}: files not owned by root: {not_root}")
    modes = {e[5]: e[0] for e in entries}
    for program in ("./usr/bin/pictavon", "./usr/libexec/pictavon/pictavon"):
        if modes[program] != "-rwxr-xr-x":
            raise Failure(f"{deb}: {program} has mode {modes[program]}")
    with tempfile.TemporaryDirectory(prefix="pictavon-deb-") as root:
        result = run("dpkg-deb", "-x", deb, root)
        if result.returncode != 0:
            raise Failure(f"dpkg-deb -x: {result.stderr}")
        check_desktop_entry(os.path.join(root, "usr"), "/usr")
        expect_first_view(options, [os.path.join(root, "usr/bin/pictavon")], cwd=root)


def windows_zip(options):
    """The zip: one folder with the .exe, the sprite and the README; the .exe imports only
    system DLLs; unzipped into an empty folder and started there under Wine, it shows the
    first view."""
    if not options.build_win:
        raise Failure("no --build-win: the Wine prefix lives in the Windows build folder")
    archive = one_package(options, "-win64.zip")
    with zipfile.ZipFile(archive) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
        tops = {n.split("/", 1)[0] for n in names}
        if len(tops) != 1 or {n.split("/", 1)[1] for n in names} != ZIPPED:
            raise Failure(f"{archive} holds {sorted(names)}")
        with tempfile.TemporaryDirectory(prefix="pictavon-zip-") as empty:
            z.extractall(empty)
            folder = os.path.join(empty, tops.pop())
            exe = os.path.join(folder, "pictavon.exe")
            imports = run("x86_64-w64-mingw32-objdump", "-p", exe).stdout.splitlines()
            dlls = {line.split(":", 1)[1].strip().lower() for line in imports if "DLL Name:" in line}
            if not dlls or not dlls <= SYSTEM_DLLS:
                raise Failure(f"pictavon.exe needs {sorted(dlls - SYSTEM_DLLS) or 'no'} DLLs beyond Windows' own")
            wine = [os.path.join(ROOT, "tools", "wine-run.sh"), os.path.join(options.build_win, "wine-prefix"), exe]
            expect_first_view(options, wine, cwd=folder, start_timeout=60, exit_timeout=3)


CHECKS = {c.__name__: c for c in (staged_install, debian_package, windows_zip)}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the Linux build folder")
    parser.add_argument("--build-win", help="the Windows build folder (its Wine prefix)")
    parser.add_argument("--packages", required=True, help="where tools/package.sh put the packages")
    parser.add_argument("--checks", default=",".join(CHECKS))
    parser.add_argument("--start-timeout", type=float, default=10)
    parser.add_argument("--exit-timeout", type=float, default=1)
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)
    options.build_win = options.build_win and os.path.abspath(options.build_win)
    options.packages = os.path.abspath(options.packages)
    options.frame_tool = os.path.join(options.build, "tools", "frame_tool")
    options.xwin = os.path.join(options.build, "tests", "e2e", "xwin")
    failed = 0
    for name in options.checks.split(","):
        try:
            CHECKS[name](options)
            print(f"ok      {name}", flush=True)
        except Failure as failure:
            failed += 1
            print(f"FAILED  {name}: {failure}", flush=True)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
