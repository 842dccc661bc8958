#!/usr/bin/env bash
# Builds the benchmarks and runs them under Wine (frame grabbing in the build's prefix,
# the serial link through the pty harness), then prints one table: each line's median,
# its reference's median measured in the same run, the ratio, the goal and whether the
# line meets it. Not part of the test command. Options:
#   --runs N       runs per frame-grabbing line (default 300)
#   --rounds N     serial write/receive rounds (default 600)
#   --no-serial    no serial link lines
#   --no-preview   no start-up, preview, device switch and recording lines (TestBench.exe
#                  and the capture control against a bare graph)
#   --only-preview only those lines (no frame grabbing, test camera or serial link)
#   --preview-rounds N  program runs of each kind for those lines (default 5)
#   --preview-seconds S --drop-seconds S  preview CPU window (default 15) and dropped
#                  frames window (default 60)
#   --sizes LIST   the HD camera's modes for those lines (default
#                  640x480@30,1280x720@60,1920x1080@60,3840x2160@30)
# The raw output of each benchmark is kept in $TESTBENCH_BUILD_DIR/bench-*.log; the chart
# of the growth with the picture (preview CPU and grab time against pixels per second,
# bench/growth_chart.py) in $TESTBENCH_BUILD_DIR/bench-growth.svg, and, after a run with
# every line, in docs/performance-growth.svg.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

runs=300
rounds=600
serial=1
preview=1
others=1
preview_rounds=5
preview_seconds=15
drop_seconds=60
sizes="640x480@30,1280x720@60,1920x1080@60,3840x2160@30"
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --no-serial) serial=0; shift ;;
    --no-preview) preview=0; shift ;;
    --only-preview) preview=1; serial=0; others=0; shift ;;
    --preview-rounds) preview_rounds="$2"; shift 2 ;;
    --preview-seconds) preview_seconds="$2"; shift 2 ;;
    --drop-seconds) drop_seconds="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

cd "$TESTBENCH_ROOT"
if [ ! -f "$TESTBENCH_BUILD_DIR/CMakeCache.txt" ]; then
    "$TESTBENCH_ROOT/scripts/build.sh" >/dev/null
fi
targets=()
[ "$others" = 1 ] && targets+=(bench_grab bench_testcam)
[ "$serial" = 1 ] && targets+=(bench_serial)
[ "$preview" = 1 ] && targets+=(bench_bare_preview bench_recording TestBench testcam testcamctl closewindow windowinfo)
cmake --build "$TESTBENCH_BUILD_DIR" --target "${targets[@]}" >/dev/null
"$TESTBENCH_ROOT/scripts/prepare-prefix.sh"

cleanup() {
    testbench_stop_xvfb
}
trap cleanup EXIT
testbench_ensure_display

results="$TESTBENCH_BUILD_DIR/bench-results.txt"
: >"$results"
# Benchmarks that ended in failure: their lines are missing from the table, which then
# says so, and the run ends with a failure.
failed=()

if [ "$others" = 1 ]; then
    echo "== frame grabbing" >&2
    "$TESTBENCH_ROOT/scripts/wine-run.sh" "$TESTBENCH_BUILD_DIR/bench/grab/bench_grab.exe" "$runs" \
        >"$TESTBENCH_BUILD_DIR/bench-grab.log" 2>&1 || failed+=("frame grabbing")
    "$(testbench_wineserver)" -w
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-grab.log" | tr -d '\r' >>"$results" || true

    echo "== test camera" >&2
    "$TESTBENCH_ROOT/scripts/wine-run.sh" "$TESTBENCH_BUILD_DIR/bench/testcam/bench_testcam.exe" 5 \
        >"$TESTBENCH_BUILD_DIR/bench-testcam.log" 2>&1 || failed+=("test camera")
    "$(testbench_wineserver)" -w
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-testcam.log" | tr -d '\r' >>"$results" || true
fi

if [ "$serial" = 1 ]; then
    if [ ! -f "$TESTBENCH_BUILD_DIR/native/ptyshim.so" ]; then
        "$TESTBENCH_ROOT/scripts/build.sh" >/dev/null
    fi
    harness=(python3 "$TESTBENCH_ROOT/tests/serial_pty/pty_harness.py"
        --build-dir "$TESTBENCH_BUILD_DIR" --shim "$TESTBENCH_BUILD_DIR/native/ptyshim.so"
        --time-limit 300 --exe "$TESTBENCH_BUILD_DIR/bench/serial/bench_serial.exe")
    echo "== serial link, ptys with modem lines" >&2
    "${harness[@]}" -- --rounds "$rounds" --idle-seconds 10 \
        >"$TESTBENCH_BUILD_DIR/bench-serial.log" 2>&1 || failed+=("serial link")
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-serial.log" |
        tr -d '\r' |
        sed -e 's/^RESULT|serial: idle \([^|]*\)|/RESULT|serial: idle \1 (shim pty)|/' \
            >>"$results" || true
    echo "== serial link, bare ptys" >&2
    "${harness[@]}" --no-shim -- --idle-only --idle-seconds 10 \
        >"$TESTBENCH_BUILD_DIR/bench-serial-bare.log" 2>&1 || failed+=("serial link, bare ptys")
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-serial-bare.log" |
        tr -d '\r' |
        sed 's/^RESULT|serial: idle \([^|]*\)|/RESULT|serial: idle \1 (bare pty)|/' \
            >>"$results" || true
fi

if [ "$preview" = 1 ]; then
    echo "== start-up, preview and device switch" >&2
    python3 "$TESTBENCH_ROOT/bench/preview/preview_bench.py" --rounds "$preview_rounds" \
        --seconds "$preview_seconds" --drop-seconds "$drop_seconds" --sizes "$sizes" \
        >"$TESTBENCH_BUILD_DIR/bench-preview.log" 2>&1 ||
        failed+=("start-up, preview and device switch")
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-preview.log" >>"$results" || true

    echo "== recording" >&2
    "$TESTBENCH_ROOT/scripts/wine-run.sh" "$TESTBENCH_BUILD_DIR/bench/recording/bench_recording.exe" \
        "$preview_rounds" >"$TESTBENCH_BUILD_DIR/bench-recording.log" 2>&1 || failed+=("recording")
    grep '^RESULT|' "$TESTBENCH_BUILD_DIR/bench-recording.log" | tr -d '\r' >>"$results" || true
fi

python3 "$TESTBENCH_ROOT/bench/growth_chart.py" "$results" "$TESTBENCH_BUILD_DIR/bench-growth.svg" >&2
if [ "$others" = 1 ] && [ "$serial" = 1 ] && [ "$preview" = 1 ] && [ ${#failed[@]} -eq 0 ]; then
    cp "$TESTBENCH_BUILD_DIR/bench-growth.svg" "$TESTBENCH_ROOT/docs/performance-growth.svg"
fi

# One table. Goals: "<=N" bounds the ratio, "<=ref" the median by the reference's median,
# "<=Nus" the median in microseconds, "<=N%" and "<=N" without a reference the median's
# own value; "-" is shown for information.
awk -F'|' '
function verdict(median, ratio, goal, reference,    limit) {
    if (goal == "-" || goal == "") return "-"
    if (goal == "<=ref") return (median + 0 <= reference + 0) ? "ok" : "over"
    limit = goal; sub(/^<=/, "", limit)
    if (limit ~ /us$/ || limit ~ /%$/ || ratio == "-") {
        sub(/(us|%)$/, "", limit)
        return (median + 0 <= limit + 0) ? "ok" : "over"
    }
    return (ratio + 0 <= limit + 0) ? "ok" : "over"
}
BEGIN {
    printf "%-50s %11s  %-34s %11s %8s %9s  %s\n", "name", "median", "reference", "ref median", "ratio", "goal", "ok/over"
}
{
    printf "%-50s %11s  %-34s %11s %8s %9s  %s\n", $2, $3, $4, $5, $6, $7, verdict($3, $6, $7, $5)
}' "$results"
if [ ${#failed[@]} -gt 0 ]; then
    for name in "${failed[@]}"; do
        echo "FAILED: $name (its lines are missing; see $TESTBENCH_BUILD_DIR/bench-*.log)" >&2
    done
    exit 1
fi
