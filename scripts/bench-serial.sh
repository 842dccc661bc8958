#!/usr/bin/env bash
# Runs the serial link benchmark under Wine against ptys (through the pty harness, in its
# own Wine prefix): write and receive latencies, and the idle cost of an open port, with
# the modem-line shim and, for comparison, on bare ptys (where Wine's line-event waits keep
# failing). Extra arguments go to the benchmark (for instance --rounds 1000).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$TESTBENCH_ROOT/scripts/build.sh" >/dev/null
"$TESTBENCH_ROOT/scripts/prepare-prefix.sh"

cleanup() {
    testbench_stop_xvfb
}
trap cleanup EXIT
testbench_ensure_display

harness=(python3 "$TESTBENCH_ROOT/tests/serial_pty/pty_harness.py"
    --build-dir "$TESTBENCH_BUILD_DIR" --shim "$TESTBENCH_BUILD_DIR/native/ptyshim.so"
    --time-limit 300)
bench="$TESTBENCH_BUILD_DIR/bench/serial/bench_serial.exe"

echo "== ptys with modem lines (shim)"
"${harness[@]}" --exe "$bench" -- "$@"
echo "== bare ptys: line-event waits fail, the event thread backs off"
"${harness[@]}" --no-shim --exe "$bench" -- --idle-only "$@"
