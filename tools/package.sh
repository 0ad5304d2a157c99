#!/usr/bin/env bash
# Makes the packages: from a Linux build the demo's Debian package and the development
# kit's (libpictavon-dev), from a mingw-w64 cross build the demo's Windows zip and the
# Windows development kit's (pictavon-sdk).
#     tools/package.sh [OUT_DIR [BUILD_DIR BUILD_WIN_DIR]]
# (defaults: out/packages, build-package, build-package-win). The packages need builds of
# their own kind (RelWithDebInfo, Release): the build folders are package.sh's own, so a
# build/ the user configured otherwise is left as it is. ./test, whose build/ and build-win/
# are already of those kinds, passes them.
# Prints each package's name and size, and how long packaging took.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/ensure-packages.sh
ensure_packages "${linux_packages[@]}" "${windows_packages[@]}" "${packaging_packages[@]}"
out=$(realpath -m "${1:-out/packages}")
build=${2:-build-package}
build_win=${3:-build-package-win}
jobs=$(nproc)
start=$SECONDS

# build_targets BUILD_DIR TARGETS... -- CMAKE_OPTIONS...: configures and builds what the packages
# install.
build_targets() {
    local dir=$1; shift
    local targets=()
    while [ "$1" != "--" ]; do targets+=("$1"); shift; done
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
}

# package BUILD_DIR [CPACK_OPTIONS...]: runs CPack there and moves its packages to OUT_DIR.
# CPack's scratch folder stays in the build folder.
package() {
    local dir=$1; shift
    (cd "$dir" && cpack -B "$PWD/cpack" "$@" >/dev/null)
    find "$dir/cpack" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) -exec mv -f {} "$out/" \;
}

mkdir -p "$out"
rm -f "$out"/pictavon*.deb "$out"/libpictavon-dev*.deb "$out"/pictavon*.zip
build_targets "$build" pictavon pictavon_main pictavon_icon pictavon_platform_replay pictavon_replay_main -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
package "$build"              # the demo's .deb and libpictavon-dev
build_targets "$build_win" pictavon pictavon_main pictavon_platform_replay pictavon_replay_main -- -DCMAKE_TOOLCHAIN_FILE=tools/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DPICTAVON_BENCH=OFF
package "$build_win"          # the demo's zip
package "$build_win" -D CPACK_COMPONENTS_ALL=Development  # the development kit's zip
for f in "$out"/pictavon_*.deb "$out"/libpictavon-dev_*.deb "$out"/pictavon-[0-9]*.zip "$out"/pictavon-sdk-*.zip; do
    [ -f "$f" ] || { echo "package: CPack made no $(basename "$f")" >&2; exit 1; }
    echo "$f: $(stat -c %s "$f") bytes"
done
echo "packaging took $((SECONDS - start)) s"
