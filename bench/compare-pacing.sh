#!/usr/bin/env bash
# Pacing side by side: programs that show the demo's window title, each measured from the X
# server's side by xprobe over SECONDS, with the processor time it took and the host's
# stolen time over the same seconds, in RUNS alternating runs under each load (idle; the
# other core busy). Each program runs on a fresh virtual X server, in assets/. Run from the
# repository root after ./test (or ./run) has built build/.
#   bench/compare-pacing.sh SECONDS RUNS LABEL=COMMAND...
# e.g. bench/compare-pacing.sh 30 3 "rest=build/pictavon --rest" "busy=build/pictavon" \
#          "peer=build/bench/peer"
# UNPRIVILEGED=1 runs the programs without CAP_SYS_NICE (setpriv), as a user would;
# SCREEN=1280x1024x24 gives the virtual X servers room for a zoomed window.
# SAMPLES_DIR=DIR keeps each program's intervals under each load (the last run's) in
# DIR/periods-LOAD-LABEL.txt, one a line in ms: bench/plot.py draws them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=$1 runs=$2
shift 2
probe=$PWD/build/bench/xprobe
launcher=()
if [ "${UNPRIVILEGED:-0}" = 1 ]; then launcher=(setpriv --inh-caps=-all --bounding-set=-sys_nice); fi

# The process's user and system time so far, in 1/100 s.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
stolen_ms() { awk '/^cpu / { print $9 * 10 }' /proc/stat; }

measure() {  # COMMAND...: pacing, then the share of one processor it took meanwhile
    cd assets
    "$@" & pid=$!
    sleep 1
    before=$(cpu_ticks $pid)
    "$probe" pacing "$seconds"
    echo "cpu: $(( ($(cpu_ticks $pid) - before) / seconds ))% of one processor"
    kill -9 $pid
}
export -f measure cpu_ticks
export probe seconds

busy=""
for load in idle other; do
    [ $load = other ] && { taskset -c 1 sh -c 'while :; do :; done' & busy=$!; }
    for run in $(seq 1 "$runs"); do
        for program in "$@"; do
            label=${program%%=*}
            read -r -a command <<<"${program#*=}"
            command[0]=$(realpath "${command[0]}")
            before=$(stolen_ms)
            samples=()
            [ -n "${SAMPLES_DIR:-}" ] && samples=(env "PICTAVON_SAMPLES=$(realpath -m "$SAMPLES_DIR")/periods-$load-$label.txt")
            output=$("${samples[@]}" python3 tests/e2e/harness.py xvfb --screen "${SCREEN:-640x480x24}" --timeout $((seconds + 60)) -- \
                bash -c 'measure "$@"' measure "${launcher[@]}" "${command[@]}")
            echo "$load run $run $label: $(echo "$output" | grep -E 'present intervals|undrawn|cpu:' | tr '\n' ' ')stolen $(( $(stolen_ms) - before )) ms"
        done
    done
    if [ -n "$busy" ]; then kill $busy; wait $busy 2>/dev/null || true; busy=""; fi
done
