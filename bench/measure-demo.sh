#!/usr/bin/env bash
# The demo as a user meets it, on a virtual X server: start-up to the first picture, frame
# pacing and late presents seen from the X server over SECONDS, the same seconds in a kernel
# trace split by owner (bench/handoffs.py: the program thread's pacing, its hand-offs to the
# X server, the X server's own wake-ups), and key-to-screen latency, in RUNS runs under each
# of three loads: idle; the other core busy; a busy program confined to the demo's own
# processor. Each run measures, one after the other in the same session, the demo as built
# ("raised": its window thread above the program thread; as root, real time) and the same
# demo with its window thread put back to the process's own policy, priority and slice
# ("plain": the behaviour before the window thread raised itself). Run from the repository
# root after ./test (or ./run) has built build/; the host's stolen time is printed beside
# each run.
#   bench/measure-demo.sh [SECONDS [RUNS]]            (defaults: 60 and 3)
# UNPRIVILEGED=1 runs the demo without CAP_SYS_NICE (setpriv), as a user without the
# privilege would: "raised" is then the short scheduler slice where the kernel has one.
# Putting a thread back needs root (this script sets another process's scheduling), and
# the system call numbers below are x86-64's.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
runs=${2:-3}
probe=${PROBE:-build/bench/xprobe}
demo=${DEMO:-$PWD/build/pictavon}
launcher=()
if [ "${UNPRIVILEGED:-0}" = 1 ]; then launcher=(setpriv --inh-caps=-all --bounding-set=-sys_nice); fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# plain TID NICE: SCHED_OTHER at NICE with the kernel's default slice, as the thread was born.
plain() {
    python3 - "$1" "$2" <<'EOF'
import ctypes, struct, sys
libc = ctypes.CDLL(None, use_errno=True)
sched_setattr = 314  # x86-64
tid, nice = int(sys.argv[1]), int(sys.argv[2])
attr = ctypes.create_string_buffer(56)
# size, policy SCHED_OTHER, flags, nice, priority, runtime (the slice; 0: default), ...
struct.pack_into("IIQiIQQQ", attr, 0, 48, 0, 0, nice, 0, 0, 0, 0)
if libc.syscall(sched_setattr, tid, attr, 0) != 0:
    sys.exit("measure-demo: sched_setattr of thread %d failed (run as root)" % tid)
EOF
}

measure() {
    cd assets
    "$OLDPWD/$probe" startup -- "${launcher[@]}" "$demo"
    "${launcher[@]}" "$demo" & pid=$!
    sleep 1  # the start-up run's window is gone, this one is up
    # The window thread is the process's first: its id is the process's.
    if [ "$variant" = plain ]; then plain "$pid" "$(nice)"; fi
    # The X server is the harness's other child.
    python3 "$OLDPWD/bench/handoffs.py" "$pid" "$seconds" "$(pgrep -P "$PPID" -x Xvfb)" & trace=$!
    "$OLDPWD/$probe" pacing "$seconds"
    wait $trace
    "$OLDPWD/$probe" latency 100
    kill -9 $pid
}
export -f measure plain
export probe demo seconds

# Stolen time of the whole machine so far, in ms (the host's own stalls, which every
# program sees). /proc/stat counts in 1/100 s.
stolen_ms() { awk '/^cpu / { print $9 * 10 }' /proc/stat; }

busy=""
start_load() {
    case $1 in
    idle) busy="" ;;
    other) taskset -c 1 sh -c 'while :; do :; done' & busy=$! ;;
    own) taskset -c 0 sh -c 'while :; do :; done' & busy=$! ;;
    esac
}
stop_load() { if [ -n "$busy" ]; then kill "$busy" 2>/dev/null || true; wait "$busy" 2>/dev/null || true; fi; }
trap 'stop_load; rm -f "$log"' EXIT

for load in idle other own; do
    start_load $load
    for run in $(seq 1 "$runs"); do
        for variant in raised plain; do
            export variant
            before=$(stolen_ms)
            output=$(python3 tests/e2e/harness.py xvfb --timeout $((seconds + 240)) -- \
                bash -c "launcher=(${launcher[*]}); measure")
            stolen=$(($(stolen_ms) - before))
            echo "== $load, run $run, $variant (host stole $stolen ms)"
            echo "$output"
            echo "$output" | sed "s/^/$load $variant $stolen: /" >>"$log"
        done
    done
    stop_load
    busy=""
done

# One line per load and program: the runs' figures side by side.
echo
echo "Summary, per run: present intervals p99 / max (ms), undrawn frames, late presents (X side),"
echo "late hand-offs (trace), program thread's hand-off intervals p99 (ms), X server's wake-up p99 (ms),"
echo "key to screen p99 (ms), stolen (ms)"
for load in idle other own; do
    for variant in raised plain; do
        awk -v load=$load -v variant=$variant '
            function add(list, value) { return list == "" ? value : list ", " value }
            $1 == load && $2 == variant {
                if ($0 ~ /present intervals/) { p99 = add(p99, $(NF - 4)); max = add(max, $(NF - 1)) }
                if ($0 ~ /undrawn/) undrawn = add(undrawn, $(NF - 3))
                if ($0 ~ /late presents/) { late = add(late, $(NF - 2)); stolen = add(stolen, $3 + 0) }
                if ($0 ~ /late hand-offs/) handoffs = add(handoffs, $(NF - 2))
                if ($0 ~ /hand-off intervals/) paced = add(paced, $(NF - 4))
                if ($0 ~ /X server.s wake-up/) xwake = add(xwake, $(NF - 4))
                if ($0 ~ /key to screen/) key = add(key, $(NF - 4))
            }
            END {
                printf "  %-6s %-7s p99 %s | max %s | undrawn %s | late presents %s | late hand-offs %s | program p99 %s | X wake p99 %s | key p99 %s | stolen %s\n",
                       load, variant, p99, max, undrawn, late, handoffs, paced, xwake, key, stolen
            }' "$log"
    done
done
