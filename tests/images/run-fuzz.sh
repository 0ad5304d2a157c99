#!/usr/bin/env bash
# Fuzzes the BMP reader for a bounded time: run-fuzz.sh BUILD_DIR SECONDS. The build directory
# is configured with clang and PICTAVON_FUZZ=ON. Fails on a crash, a sanitizer report, a wrong
# result, a timeout or a memory limit; prints how many inputs were tried.
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=$2
seeds=$(cd "$(dirname "$0")" && pwd)/corpus

if ! built=$(cmake --build "$build" --target fuzz_bmp 2>&1); then
    echo "$built"
    exit 1
fi
work="$build/fuzz"
mkdir -p "$work/corpus"  # new inputs land here, not in the committed seeds
log="$work/fuzz.log"

# The target loads pictures of up to 1 MiB, so a larger allocation is a reader that failed to
# refuse a huge header; AddressSanitizer's quarantine keeps freed buffers a while.
status=0
"$build/tests/images/fuzz/fuzz_bmp" -max_total_time="$seconds" -timeout=20 -max_len=4096 \
    -rss_limit_mb=1024 -malloc_limit_mb=64 -artifact_prefix="$work/" -print_final_stats=1 \
    "$work/corpus" "$seeds" >"$log" 2>&1 || status=$?

runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 executions in \2 s/p' "$log")
if [ "$status" -ne 0 ] || [ -z "$runs" ]; then
    tail -n 40 "$log"
    echo "fuzz_bmp failed (exit $status); inputs and log in $work" >&2
    exit 1
fi
echo "fuzz_bmp: $runs"
