#!/usr/bin/env bash
# Sets up, builds and runs every test (unit suites and end-to-end tests) under Wine.
# Extra arguments go to ctest (for instance -R unit_settings).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$TESTBENCH_ROOT/scripts/setup.sh"
"$TESTBENCH_ROOT/scripts/build.sh"
"$TESTBENCH_ROOT/scripts/prepare-prefix.sh"

cleanup() {
    "$(testbench_wineserver)" -k 2>/dev/null || true
    testbench_stop_xvfb
}
trap cleanup EXIT
testbench_ensure_display

cd "$TESTBENCH_BUILD_DIR"
ctest --output-on-failure --timeout 300 -j 2 "$@"
