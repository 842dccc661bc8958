#!/usr/bin/env bash
# Sets up, builds and runs every test (unit suites and end-to-end tests) under Wine, two
# suites at a time, each on an X display and in a wine server of its own.
#   scripts/test.sh [--repeat N] [ctest arguments ...]
# --repeat N runs each suite up to N times and stops at its first failure; other
# arguments go to ctest (for instance -R unit_settings).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

repeat=()
if [ "${1:-}" = "--repeat" ]; then
    if ! [[ "${2:-}" =~ ^[1-9][0-9]*$ ]]; then
        echo "usage: scripts/test.sh [--repeat N] [ctest arguments ...]" >&2
        exit 2
    fi
    repeat=(--repeat "until-fail:$2")
    shift 2
fi

testbench_prepare_to_run
"$TESTBENCH_ROOT/scripts/build-native.sh"

cd "$TESTBENCH_BUILD_DIR"
ctest --output-on-failure --timeout 300 -j 2 "${repeat[@]}" "$@"
