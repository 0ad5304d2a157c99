#!/usr/bin/env bash
# Makes both packages: the Debian package from the Linux build (build/) and the Windows
# zip from the mingw-w64 cross build (build-win/), the same build folders as ./test.
#     tools/package.sh [OUT_DIR]      (default: out/packages)
# Prints each package's name and size, and how long packaging took.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/ensure-packages.sh
ensure_packages "${linux_packages[@]}" "${windows_packages[@]}" "${packaging_packages[@]}"
out=$(realpath -m "${1:-out/packages}")
jobs=$(nproc)
start=$SECONDS

# package BUILD_DIR TARGETS... -- CMAKE_OPTIONS...: builds what the package installs and
# runs CPack there. CPack's scratch folder stays in the build folder.
package() {
    local dir=$1; shift
    local targets=()
    while [ "$1" != "--" ]; do targets+=("$1"); shift; done
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
    (cd "$dir" && cpack -B "$root/$dir/cpack" >/dev/null)
    find "$dir/cpack" -maxdepth 1 -type f \( -name '*.deb' -o -name '*.zip' \) -exec mv -f {} "$out/" \;
}

mkdir -p "$out"
rm -f "$out"/pictavon*.deb "$out"/pictavon*.zip
package build pictavon pictavon_icon -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
package build-win pictavon -- -DCMAKE_TOOLCHAIN_FILE=tools/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DPICTAVON_BENCH=OFF
for f in "$out"/pictavon*.deb "$out"/pictavon*.zip; do
    [ -f "$f" ] || { echo "package: CPack made no $(basename "$f")" >&2; exit 1; }
    echo "$f: $(stat -c %s "$f") bytes"
done
echo "packaging took $((SECONDS - start)) s"
