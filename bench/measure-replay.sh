#!/usr/bin/env bash
# The replay's speed: the demo's one-minute flight (3,000 frames of 20 ms, the arrow keys held
# in turn, 2 s each) played by its headless twin, a picture every 100th frame, against the
# minute it takes on screen. Also the same flight with a picture at every present.
#     bench/measure-replay.sh [BUILD [RUNS]]      (default: build 7)
# Prints the wall time of each run, the median and the ratio to real time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 3,000 periods: Up, Left, Down, Right, A, R held 2 s each in turn, over and over.
keys=(Up Left Down Right A R)
for ((t = 0, i = 0; t < 60000; t += 2000, i++)); do
    key=${keys[i % ${#keys[@]}]}
    echo "$t down $key"
    echo "$((t + 2000)) up $key"
done >"$work/flight.txt"
at=$(seq -s, 2000 2000 60000)  # frame 100, 200, ... 3000

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
run() {  # label, replay options...
    local label=$1; shift
    local times=()
    for ((r = 0; r < runs; r++)); do
        rm -rf "$work/pictures"
        local start end
        start=$(date +%s%N)
        (cd assets && "$build/pictavon-replay" --replay "$work/flight.txt" --pictures "$work/pictures" "$@" >/dev/null)
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    local m
    m=$(printf '%s\n' "${times[@]}" | median)
    echo "$label: ${times[*]} ms; median $m ms, $((61000 / (m > 0 ? m : 1)))x real time" \
         "($(ls "$work/pictures" | wc -l) pictures)"
}
run "pictures every 100th frame" --at "$at"
run "pictures at every present" --every-present
