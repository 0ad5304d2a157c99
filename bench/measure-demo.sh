#!/usr/bin/env bash
# The demo as a user meets it, on a virtual X server: start-up to the first picture,
# frame pacing over SECONDS (default 10) and key-to-screen latency, idle and then with the
# other core busy. Run from the repository root after ./test (or ./run) has built build/.
#   bench/measure-demo.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
probe=${PROBE:-build/bench/xprobe}
demo=${DEMO:-$PWD/build/pictavon}

measure() {
    cd assets
    "$OLDPWD/$probe" startup -- "$demo"
    "$demo" & pid=$!
    sleep 1  # the start-up run's window is gone, this one is up
    "$OLDPWD/$probe" pacing "$seconds"
    "$OLDPWD/$probe" latency 100
    kill -9 $pid
}
export -f measure
export probe demo seconds

echo "== idle"
python3 tests/e2e/harness.py xvfb --timeout 300 -- bash -c measure
echo "== the other core busy"
taskset -c 1 timeout $((3 * seconds + 60)) sh -c 'while :; do :; done' & load=$!
python3 tests/e2e/harness.py xvfb --timeout 300 -- bash -c measure
kill $load
