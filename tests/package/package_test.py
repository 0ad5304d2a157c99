"""The installation and the packages, started as a user would start them: a staged
`cmake --install` through its launcher on the PATH and through its desktop entry, the .deb
unpacked into a throw-away root, and the Windows zip unpacked into an empty folder and run
under Wine. Each must show the demo's exact first view, ball included, and close cleanly.
Built in each way a user may take Pictavon, the starter (examples/standalone) must show its picture.

    python3 package_test.py --build build --packages out/packages [--build-win build-win]
                            [--checks NAME,...]
"""
import argparse
import os
import re
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
from e2e_hello import PROMPT  # noqa: E402
from harness import SMALL_SCREEN, WINDOW_TITLE, Failure, Session, read_png, wait_until, write_png  # noqa: E402

SPRITE = os.path.join(ROOT, "assets", "balle.bmp")
ICON_SIZES = (32, 64)
# What the Linux installation holds, below its prefix.
INSTALLED = {"bin/pictavon", "libexec/pictavon/pictavon", "share/pictavon/balle.bmp",
             "share/applications/pictavon.desktop", "share/doc/pictavon/README.md",
             "share/doc/pictavon/docs/start-view.png", "share/doc/pictavon/docs/flight.gif",
             "share/doc/pictavon/docs/font.png", "share/doc/pictavon/docs/shapes.png",
             *(f"share/icons/hicolor/{n}x{n}/apps/pictavon.png" for n in ICON_SIZES)}


def routine_headers():
    """pictavon/routine.h and every header it includes ("../" from the includer's folder),
    where the kit puts them."""
    todo, found = ["pictavon/routine.h"], set()
    while todo:
        header = todo.pop()
        found.add(header)
        text = open(os.path.join(ROOT, header), encoding="utf-8").read()
        todo += [os.path.normpath(os.path.join(os.path.dirname(header), h)) if h.startswith("../") else h
                 for h in re.findall(r'^#include "([^"]+)"', text, re.M) if h not in found]
    return {"include/pictavon/" + h.removeprefix("pictavon/") for h in found}


# The development kit below its prefix; the Windows kit has no .pc but the toolchain file.
KIT = routine_headers() | {f"lib/libpictavon_{n}.a" for n in ("main", "runtime", "platform_sdl", "platform_replay",
                                                             "replay_main")} | {
    f"lib/cmake/Pictavon/{n}.cmake" for n in ("PictavonConfig", "PictavonConfigVersion", "PictavonTargets",
                                              "PictavonTargets-relwithdebinfo", "pictavon_program")} | {
    "lib/pkgconfig/pictavon.pc", "lib/pkgconfig/pictavon-replay.pc"}
WINDOWS_KIT = {f.replace("_sdl", "_win32").replace("relwithdebinfo", "release") for f in KIT
               if not f.endswith(".pc")} | {"lib/cmake/Pictavon/mingw-w64.cmake"}
STARTER = os.path.join(ROOT, "examples", "standalone")
STARTER_PICTURE = (240, 160, bytes(720)  # window row 0 shows the spare row, row j surface row j - 1
                   + bytes(v for y in range(159) for x in range(240) for v in (128, y + 64, x)))
ZIPPED = {"pictavon.exe", "balle.bmp", "README.md", "docs/start-view.png", "docs/flight.gif",
          "docs/font.png", "docs/shapes.png"}
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


def desktop_exec(value):
    """The Exec key's arguments, as a desktop reads them: the string's escapes first, then
    double quotes, in which a backslash escapes the next character, and %% for a percent."""
    value = re.sub(r"\\(.)", lambda m: {"s": " ", "n": "\n", "t": "\t", "r": "\r"}.get(m[1], m[1]), value)
    words = re.findall(r'"((?:[^"\\]|\\.)*)"|(\S+)', value)
    return [(re.sub(r"\\(.)", r"\1", quoted) or plain).replace("%%", "%") for quoted, plain in words]


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
    command = desktop_exec(entry.get("Exec", ""))
    if command != [os.path.join(entry_prefix, "libexec/pictavon/pictavon"), "--zoom", "auto"]:
        raise Failure(f"the desktop entry starts {command}, not the installed program")
    for n in ICON_SIZES:
        icon = os.path.join(prefix, f"share/icons/hicolor/{n}x{n}/apps/{entry.get('Icon')}.png")
        alpha = run("convert", icon, "-format", "%w %h %[fx:p{0,0}.a] %[fx:p{w/2,h/2}.a]", "info:")
        if alpha.stdout.split() != [str(n), str(n), "0", "1"]:
            raise Failure(f"{icon}: not a {n} x {n} ball on a transparent ground: {alpha.stdout}{alpha.stderr}")
    return command, entry["Path"]


def staged_install(options):
    """cmake --install into a staging folder whose name a shell or a desktop would take apart
    if it were not quoted; the launcher, reached through a link in a folder on the PATH and
    started from elsewhere, enters the sprite's folder; the desktop entry does too."""
    with tempfile.TemporaryDirectory(prefix="pictavon-stage-") as work:
        prefix = os.path.join(work, "pré fixe 100% $HOME `x`")
        result = run("cmake", "--install", options.build, "--prefix", prefix)
        if result.returncode != 0:
            raise Failure(f"cmake --install failed: {result.stdout}{result.stderr}")
        holding(prefix, INSTALLED | KIT, "installed files")
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


def one_package(options, pattern):
    names = [n for n in os.listdir(options.packages) if re.fullmatch(pattern, n)]
    if len(names) != 1:
        raise Failure(f"{options.packages} holds {names or 'no'} {pattern}; run tools/package.sh")
    return os.path.join(options.packages, names[0])


def package_script_builds_apart(options):
    """tools/package.sh, with cmake and cpack stood in for, configures and builds only in
    folders of its own: a build/ the user configured stays as it was."""
    with tempfile.TemporaryDirectory(prefix="pictavon-package-sh-") as work:
        log = os.path.join(work, "calls")
        made = [d for d in (os.path.join(ROOT, "build-package"), os.path.join(ROOT, "build-package-win"))
                if not os.path.exists(d)]
        for tool, body in (("cmake", '[ "$3" = -B ] && mkdir -p "$4"; true'), ("cpack", 'while [ "$1" != -B ]; do shift; done; mkdir -p "$2"; '
                           'touch "$2"/pictavon_1.deb "$2"/libpictavon-dev_1.deb "$2"/pictavon-1.zip '
                           '"$2"/pictavon-sdk-1.zip')):
            with open(os.path.join(work, tool), "w") as f:
                f.write(f'#!/bin/sh\necho {tool} "$@" >>{shlex.quote(log)}\n{body}\n')
            os.chmod(os.path.join(work, tool), 0o755)
        env = dict(os.environ, PATH=work + os.pathsep + os.environ["PATH"])
        result = run(os.path.join(ROOT, "tools", "package.sh"), os.path.join(work, "out"), env=env)
        calls = open(log).read() if os.path.exists(log) else ""
        folders = set(re.findall(r"(?:-B|--build) (\S+)", calls))
        if result.returncode != 0 or not folders or not all("build-package" in f for f in folders):
            raise Failure(f"package.sh used {folders or 'no build folder'}: {result.stdout}{result.stderr}")
        for folder in made:
            shutil.rmtree(folder, ignore_errors=True)


def debian_package(options):
    """The .deb: its metadata and declared dependencies, its file list and owners; unpacked
    into a throw-away root, its launcher shows the first view."""
    deb = one_package(options, r"pictavon_.+_amd64\.deb")
    fields = {}
    for name in ("Package", "Version", "Architecture", "Depends", "Maintainer", "Description", "Section"):
        fields[name] = run("dpkg-deb", "-f", deb, name).stdout.strip()
    if (fields["Package"], fields["Architecture"]) != ("pictavon", "amd64") or not fields["Version"] \
            or not fields["Maintainer"] or not fields["Description"]:
        raise Failure(f"{deb}: control fields {fields}")
    depends = {d.strip().split()[0] for d in fields["Depends"].split(",") if d.strip()}
    if not {"libsdl2-2.0-0", "libx11-6", "libc6", "libstdc++6"} <= depends:
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
    archive = one_package(options, r"pictavon-[0-9.]+-win64\.zip")
    with zipfile.ZipFile(archive) as z:
        names = [n for n in z.namelist() if not n.endswith("/")]
        tops = {n.split("/", 1)[0] for n in names}
        if len(tops) != 1 or {n.split("/", 1)[1] for n in names} != ZIPPED:
            raise Failure(f"{archive} holds {sorted(names)}")
        with tempfile.TemporaryDirectory(prefix="pictavon-zip-") as empty:
            z.extractall(empty)
            folder = os.path.join(empty, tops.pop())
            wine = under_wine(options, os.path.join(folder, "pictavon.exe"))
            expect_first_view(options, wine, cwd=folder, start_timeout=60, exit_timeout=3)


def under_wine(options, exe):  # the command that runs exe, once it is known to need no DLL beside it
    imports = run("x86_64-w64-mingw32-objdump", "-p", exe).stdout.splitlines()
    dlls = {line.split(":", 1)[1].strip().lower() for line in imports if "DLL Name:" in line}
    if not dlls or not dlls <= SYSTEM_DLLS:
        raise Failure(f"{exe} needs {sorted(dlls - SYSTEM_DLLS) or 'no'} DLLs beyond Windows' own")
    return [os.path.join(ROOT, "tools", "wine-run.sh"), os.path.join(options.build_win, "wine-prefix"), exe]


def checked(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise Failure(f"{command}: {result.stdout}{result.stderr}")


def holding(prefix, files, what):  # prefix, once it holds exactly files
    found = files_below(prefix)
    if found != files:
        raise Failure(f"{what}: missing {sorted(files - found)}, unexpected {sorted(found - files)}")
    return prefix


def starter_built(work, *options, exe="standalone"):
    """examples/standalone configured once and built in work, as its CMakeLists says."""
    checked(["cmake", "-S", STARTER, "-B", work, "-G", "Ninja", *options])
    checked(["cmake", "--build", work])
    return os.path.join(work, exe)


def staged_kit(options, work):  # cmake --install of the Development component alone, into a prefix with a space and an accent
    checked(["cmake", "--install", options.build, "--prefix", work + "/kit é", "--component", "Development"])
    return only_include_on_the_path(holding(work + "/kit é", KIT, "the Development component"))


def only_include_on_the_path(kit):  # the CMake targets and the .pc give PREFIX/include alone
    targets = open(f"{kit}/lib/cmake/Pictavon/PictavonTargets.cmake", encoding="utf-8").read()
    # pkgconf escapes a space or an accent in a path; the shell's eval reads its escapes back
    cflags = run("sh", "-c", 'eval "printf \'%s\\n\' $(pkg-config --cflags-only-I pictavon)"',
                 env=dict(os.environ, PKG_CONFIG_PATH=f"{kit}/lib/pkgconfig")).stdout.split("\n")
    if set(re.findall(r'INTERFACE_INCLUDE_DIRECTORIES "([^"]*)"', targets)) != {"${_IMPORT_PREFIX}/include"} or \
            [os.path.normpath(f[2:]) for f in cflags if f.startswith("-I" + kit)] != [kit + "/include"]:
        raise Failure(f"the include path is more than PREFIX/include: {cflags}")
    return kit


def from_dev_deb(options, work):
    deb = one_package(options, r"libpictavon-dev_.+_amd64\.deb")
    depends = run("dpkg-deb", "-f", deb, "Depends").stdout
    if "libsdl2-dev" not in depends or re.search(r"\bpictavon\b", depends):
        raise Failure(f"{deb}: Depends: {depends}")
    checked(["dpkg-deb", "-x", deb, work + "/root"])
    return [starter_built(work, "-DCMAKE_PREFIX_PATH=" + holding(work + "/root/usr", KIT, deb))]


def from_windows_kit(options, work):
    archive = one_package(options, r"pictavon-sdk-.+-win64\.zip")
    zipfile.ZipFile(archive).extractall(work + "/root")
    kit = holding(os.path.join(work, "root", os.path.basename(archive)[:-4]), WINDOWS_KIT, archive)
    toolchain = f"-DCMAKE_TOOLCHAIN_FILE={kit}/lib/cmake/Pictavon/mingw-w64.cmake"
    for n, first in enumerate(("", f"-include {kit}/include/pictavon/routine.h")):  # <windows.h> before it, then after
        exe = starter_built(f"{work}/{n}", toolchain, f"-DCMAKE_PREFIX_PATH={kit}",
                            f"-DCMAKE_CXX_FLAGS={first} -include windows.h", exe="standalone.exe")
    return under_wine(options, exe)


def with_pkg_config(options, work):  # the one-liner, in the starter's folder; eval reads pkgconf's escapes
    env = dict(os.environ, PKG_CONFIG_PATH=staged_kit(options, work) + "/lib/pkgconfig")
    checked(f'eval "c++ -std=c++17 standalone.cpp $(pkg-config --cflags --libs pictavon) -o {work}/standalone"',
            shell=True, cwd=STARTER, env=env)
    # Its headless twin the same way, along the starter's own timeline.
    checked(f'eval "c++ -std=c++17 standalone.cpp $(pkg-config --cflags --libs pictavon-replay) -o {work}/twin" &&'
            f" {work}/twin --replay replay/escape.txt --golden replay/golden --pictures {work}/pictures",
            shell=True, cwd=STARTER, env=env)
    return [work + "/standalone"]


STARTER_WAYS = {"subproject": lambda o, w: [starter_built(w, f"-DPICTAVON_SOURCE_DIR={ROOT}")],
                "find_package": lambda o, w: [starter_built(w, "-DCMAKE_PREFIX_PATH=" + staged_kit(o, w))],
                "pkg_config": with_pkg_config, "dev_deb": from_dev_deb, "windows_kit": from_windows_kit}


def starter(options, way):
    """The starter built one way (STARTER_WAYS) into a throw-away folder, then run."""
    start, end = (60, 3) if way == "windows_kit" else (options.start_timeout, options.exit_timeout)
    with tempfile.TemporaryDirectory(prefix=f"pictavon-{way}-") as work, \
            Session(STARTER_WAYS[way](options, work), cwd=work, xwin=options.xwin) as s:
        s.start()
        window = s.find_window(WINDOW_TITLE, start)
        wait_until("the starter's picture", lambda: s.grab(window) == STARTER_PICTURE, 10)
        s.keydown(window, "Escape")  # a key state: held until the routine has seen it
        wait_until("the end-of-run prompt in the title", lambda: s.title(window) == PROMPT, 5)
        s.keyup(window, "Escape")
        s.key_closes_with_exit_0(window, "space", end)


def starter_replay_test(options):
    """Outside the tree, from the kits: the starter's replay test passes under CTest, and fails,
    leaving the difference picture, once a golden picture differs by one pixel."""
    for windows in (False, True) if options.build_win else (False,):
        with tempfile.TemporaryDirectory(prefix="pictavon-replay-") as work:
            source, build = shutil.copytree(STARTER, work + "/starter"), work + "/build"
            kit = [f"-DCMAKE_PREFIX_PATH={staged_kit(options, work)}"]
            if windows:
                checked(["cmake", "--install", options.build_win, "--prefix", work + "/win", "--component",
                         "Development"])
                wine = f"{ROOT}/tools/wine-run.sh;{options.build_win}/wine-prefix"
                kit = [f"-DCMAKE_TOOLCHAIN_FILE={work}/win/lib/cmake/Pictavon/mingw-w64.cmake",
                       f"-DCMAKE_PREFIX_PATH={work}/win", f"-DCMAKE_CROSSCOMPILING_EMULATOR={wine}"]
            checked(["cmake", "-S", source, "-B", build, "-G", "Ninja", *kit])
            checked(["cmake", "--build", build])
            checked(["ctest", "--test-dir", build, "-R", "standalone_replay", "--output-on-failure"])
            golden = source + "/replay/golden/at-500.png"
            width, height, rgb = read_png(golden)
            write_png(golden, width, height, bytes([rgb[0] ^ 1]) + rgb[1:])
            result = run("ctest", "--test-dir", build, "-R", "standalone_replay", "--output-on-failure")
            if result.returncode == 0 or not os.path.exists(build + "/standalone_replay/at-500-difference.png"):
                raise Failure(f"a golden picture one pixel off: ctest ended with {result.returncode}, "
                              f"the difference picture {'not ' * (result.returncode == 0)}written: {result.stdout}")


CHECKS = {c.__name__: c for c in (staged_install, debian_package, windows_zip, package_script_builds_apart,
                                        starter_replay_test)}
CHECKS.update({f"starter_{way}": lambda o, way=way: starter(o, way) for way in STARTER_WAYS})


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
