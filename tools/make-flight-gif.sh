#!/usr/bin/env bash
# Makes the README's animation: the frames the demo draws for the flight in tools/flight.txt
# (flight_tool, the demo's own control step), each pixel repeated 2 x 2, encoded by ImageMagick.
#     tools/make-flight-gif.sh [BUILD_DIR] [OUT.gif]     (defaults: build, docs/flight.gif)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/flight.gif}
tool=$build/tools/flight_tool
[ -x "$tool" ] || { echo "make-flight-gif: no $tool; build the flight_tool target first" >&2; exit 1; }
command -v convert >/dev/null || { echo "make-flight-gif: ImageMagick's convert is not installed" >&2; exit 1; }

mapfile -t flight < <(grep -v '^#' "$root/tools/flight.txt")
every=${flight[0]}
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$tool" "$root/assets/balle.bmp" "$frames" "${flight[@]}" >/dev/null
# GIF delays are in hundredths of a second: a period is 20 ms. The frames hold fewer than
# 256 colours, and +dither keeps them exact (ImageMagick dithers a picture it need not
# reduce otherwise); -sample repeats pixels where -scale would blend them, so each frame
# decodes to the demo's own pixels.
convert -delay $((2 * every)) -loop 0 "$frames"/frame_*.ppm +dither -sample 200% -layers Optimize "$out"
echo "$out: $(ls "$frames" | wc -l) frames, $(stat -c %s "$out") bytes"
