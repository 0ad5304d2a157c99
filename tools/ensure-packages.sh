# Sourced by ./run and ./test: installs the Debian packages named, or stops with one clear
# message naming those that are missing and cannot be installed.
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "Installing: ${missing[*]}"
        if (apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
                --no-install-recommends "${missing[@]}") >/tmp/pictavon-apt.log 2>&1; then
            return 0
        fi
        echo "error: could not install: ${missing[*]} (see /tmp/pictavon-apt.log)" >&2
    else
        echo "error: missing packages: ${missing[*]}; install them as root with apt-get" >&2
    fi
    exit 1
}

# What the Linux program, its tests and its tools need.
linux_packages=(cmake ninja-build g++ libsdl2-dev libx11-dev libgtest-dev libbenchmark-dev python3
                libxdamage-dev libxtst-dev
                xvfb xdotool x11-apps x11-utils x11-xkb-utils imagemagick)
# PNG pictures out (the replay, save_picture) and golden ones in: stb, compiled in on both builds.
linux_packages+=(libstb-dev)
# The Windows program, cross-built and run under Wine.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64)
# The fuzz target of the BMP reader.
fuzz_packages=(clang libclang-rt-14-dev)
# The packages and their checks: dpkg-shlibdeps finds the .deb's dependencies,
# desktop-file-validate checks the desktop entry, pkg-config reads the kit's pictavon.pc.
packaging_packages=(dpkg-dev desktop-file-utils pkg-config)
