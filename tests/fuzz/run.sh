#!/usr/bin/env bash
# Runs every fuzz target of build/native-core for SECONDS each, one after the other, from
# its seed corpus (tests/fuzz/corpus/<target>) and the inputs earlier runs kept
# (WORK/corpus/<target>), and prints one table: target, inputs tried, inputs per second,
# coverage (features), crashes. A crash, a leak, a time-out or a sanitizer report fails
# the run; its input is left beside the target's log (WORK/<target>.log,
# WORK/<target>-crash-...).
#   tests/fuzz/run.sh SECONDS NATIVE_BUILD_DIR WORK [fresh]
# "fresh" forgets the inputs of earlier runs: only the seeds count.
set -uo pipefail
seconds="$1"
native="$2"
work="$3"
if [ "${4:-}" = fresh ]; then
    rm -rf "$work/corpus"
fi
seeds="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/corpus"

mkdir -p "$work"
printf '%-18s %14s %10s %9s %8s\n' target inputs inputs/s features crashes
failed=0
for binary in "$native"/fuzz_*; do
    target="${binary##*/fuzz_}"
    log="$work/$target.log"
    mkdir -p "$work/corpus/$target"
    rm -f "$work/$target"-{crash,leak,timeout,oom}-*
    # New inputs go to the first corpus directory: the seeds in the repository stay as they are.
    corpora=("$work/corpus/$target")
    if [ -d "$seeds/$target" ]; then
        corpora+=("$seeds/$target")
    fi
    "$binary" "${corpora[@]}" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$target-" >"$log" 2>&1
    status=$?
    inputs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)"
    features="$(grep -o ' ft: [0-9]*' "$log" | tail -1 | tr -dc 0-9)"
    crashes="$(find "$work" -maxdepth 1 -type f \( -name "$target-crash-*" -o \
        -name "$target-leak-*" -o -name "$target-timeout-*" -o -name "$target-oom-*" \) | wc -l)"
    if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
        crashes=1 # a report without an input (for instance a fault at start-up)
    fi
    printf '%-18s %14s %10s %9s %8s\n' "$target" "${inputs:-0}" "${rate:-0}" "${features:-0}" \
        "$crashes"
    if [ "$status" -ne 0 ]; then
        failed=1
        echo "  fuzz_$target failed (exit $status): see $log" >&2
        grep -m 3 -E 'ERROR|runtime error|check failed' "$log" | sed 's/^/  /' >&2
    fi
done
exit "$failed"
