#!/usr/bin/env bash
# Sets up, builds and runs every test (unit suites and end-to-end tests) under Wine.
# Extra arguments go to ctest (for instance -R unit_settings).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

testbench_prepare_to_run
"$TESTBENCH_ROOT/scripts/build-native.sh"

cd "$TESTBENCH_BUILD_DIR"
ctest --output-on-failure --timeout 300 -j 2 "$@"
