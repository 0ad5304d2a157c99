#!/usr/bin/env bash
# The demo under input floods (bench/xflood), each on a fresh virtual X server: 40,000 key
# pairs at once, 2,000 clicks a second for 2 s, and a 2 s map/unmap storm over its window;
# as built (as root: a real-time window thread) and without CAP_SYS_NICE (setpriv), as a
# user without the privilege runs it. Run from the repository root once build/ has the demo
# and bench/xflood:
#   bench/measure-flood.sh
# FLOOD=build-x/bench/xflood DEMO=build-x/pictavon measure another build; WINE=1 below.
set -euo pipefail
cd "$(dirname "$0")/.."
flood=$PWD/${FLOOD:-build/bench/xflood}
demo=$PWD/${DEMO:-build/pictavon}
cd assets
# WINE=1: the Windows demo and input viewer (build-win/, WIN=another) under Wine instead, 20,000
# key pairs, pictures watched for 25 s after the flood, while Wine takes the backlog in.
if [ -n "${WINE:-}" ]; then
    win=$(cd .. && realpath "${WIN:-build-win}")  # its programs; the Wine prefix is build-win's
    for program in pictavon.exe examples/keys/keys.exe; do
        echo "== Wine, $program, keys 20000 (load average $(cut -d' ' -f1-3 /proc/loadavg))"
        XFLOOD_WATCH_S=25 python3 ../tests/e2e/harness.py xvfb --timeout 300 -- "$flood" keys 20000 -- \
            ../tools/wine-run.sh ../build-win/wine-prefix "$win/$program" || true
    done
    exit 0
fi
for who in privileged unprivileged; do
    launcher=()
    if [ $who = unprivileged ]; then launcher=(setpriv --inh-caps=-all --bounding-set=-sys_nice); fi
    for flood_args in "keys 40000" "clicks 2000 2" "storm 2"; do
        echo "== $who, $flood_args (load average $(cut -d' ' -f1-3 /proc/loadavg))"
        # shellcheck disable=SC2086
        python3 ../tests/e2e/harness.py xvfb --timeout 300 -- "$flood" $flood_args -- "${launcher[@]}" "$demo" || true
    done
done
