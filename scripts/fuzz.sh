#!/bin/bash
# Runs each fuzz target for a bounded time (seconds, default 600) with
# libFuzzer, then merges what it found into the kept corpus in fuzz/corpus,
# which the ordinary test run replays. Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
command -v clang++-14 >/dev/null || { echo "fuzz: needs clang-14 and libclang-rt-14-dev" >&2; exit 1; }
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(ini query names)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    echo "=== fuzz_$target for ${seconds}s"
    build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build/fuzz/ \
        "$work" "fuzz/corpus/$target" 2>&1 | grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|invariant' || true
    build/fuzz/fuzz/fuzz_$target -merge=1 "fuzz/corpus/$target" "$work" 2>&1 | grep -E 'MERGE-OUTER: [0-9]+ new files' || true
    rm -rf "$work"
done
