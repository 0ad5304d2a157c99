#!/usr/bin/env bash
# Makes the web packages from the emcmake build (build-web/), the same folder as ./test:
#   pictavon-VERSION-web.zip      the demo's page, ready for any static host: pictavon.html
#                                 (and index.html) beside its .js, .wasm and worker, serve.py,
#                                 coi-serviceworker.js for hosts that set no headers, a note
#   pictavon-sdk-VERSION-web.zip  the web kit: headers, libraries and CMake package for
#                                 emcmake cmake, with the page's shell and JavaScript
#     tools/package-web.sh [OUT_DIR]      (default: out/packages)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/ensure-packages.sh
ensure_packages cmake ninja-build zip "${web_packages[@]}"
command -v npm >/dev/null || { echo "error: npm (with nodejs) is needed for the service worker's package" >&2; exit 1; }
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
out=$(realpath -m "${1:-out/packages}")
coi_version=0.1.7  # coi-serviceworker, from the npm registry

emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-web -j "$(nproc)" --target pictavon pictavon_main
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-web/CMakeCache.txt)
stage=build-web/package
rm -rf "$stage" && mkdir -p "$stage" "$out"

# The service worker, once: npm's own package, as published.
coi=build-web/coi-serviceworker-$coi_version
if [ ! -f "$coi/package/coi-serviceworker.js" ]; then
    mkdir -p "$coi"
    (cd "$coi" && npm pack --silent "coi-serviceworker@$coi_version" >/dev/null && tar xzf "coi-serviceworker-$coi_version.tgz")
fi

page=$stage/pictavon-$version-web
mkdir -p "$page"
cp build-web/pictavon.html build-web/pictavon.js build-web/pictavon.wasm build-web/pictavon.worker.js "$page/"
cp build-web/pictavon.html "$page/index.html"
cp tools/serve_web.py "$page/serve.py"
cp "$coi/package/coi-serviceworker.js" "$page/"
cp "$coi/package/LICENSE" "$page/coi-serviceworker.LICENSE"
cat > "$page/README.txt" <<NOTE
Pictavon $version in a web page: open index.html (or pictavon.html) from a web server.

The program runs on threads of its own, which browsers allow only to a page that is
cross-origin isolated. Serve the folder with these two headers:
    Cross-Origin-Opener-Policy: same-origin
    Cross-Origin-Embedder-Policy: require-corp
    python3 serve.py --port 8000 .        (then open http://127.0.0.1:8000/)
A host that cannot set headers (GitHub Pages, say) still works over https: the page then
registers coi-serviceworker.js (coi-serviceworker $coi_version, MIT licence beside it), which
adds the headers and loads the page once more. Without either, the page says so.
Address options: ?zoom=3 (1 to 8, or auto to fit the window), ?rest=0 (busy-wait between
frames, as the native programs do; resting is the page's default).
NOTE
(cd "$stage" && rm -f "$out/pictavon-$version-web.zip" && zip -qr "$out/pictavon-$version-web.zip" "pictavon-$version-web")

kit=$stage/pictavon-sdk-$version-web
cmake --install build-web --prefix "$kit" --component Development >/dev/null
cat > "$kit/README.txt" <<NOTE
Pictavon $version web kit: routines built into pages with emscripten (the emcmake toolchain; its
own searches stay in its sysroot, so name the kit as a find root):
    emcmake cmake -S my-routine -B build -DCMAKE_FIND_ROOT_PATH=/path/to/pictavon-sdk-$version-web
    cmake --build build       -> build/NAME.html, NAME.js, NAME.wasm, NAME.worker.js
with find_package(Pictavon 1 REQUIRED) and pictavon_add_program(NAME SOURCE...) in the project
(pictavon_program_files(NAME FILE...) packs files the routine opens by name). Serve the folder
with the isolation headers (serve.py in the demo's web zip does).
NOTE
(cd "$stage" && rm -f "$out/pictavon-sdk-$version-web.zip" && zip -qr "$out/pictavon-sdk-$version-web.zip" "pictavon-sdk-$version-web")
ls -l "$out/pictavon-$version-web.zip" "$out/pictavon-sdk-$version-web.zip" | awk '{print $5, $9}'
