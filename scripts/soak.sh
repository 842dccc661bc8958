#!/usr/bin/env bash
# Sets up and builds, then runs the soak and fault runs under Wine and Xvfb and prints
# their table of figures: device switching, unplug storms, stalls and aborts, a long
# preview, serial open/close cycles and hostile stored settings. --quick is the
# few-minute version that the test command also runs; without it the runs take about an
# hour and a half.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

testbench_prepare_to_run

export TESTBENCH_BUILD_DIR TESTBENCH_SOURCE_DIR="$TESTBENCH_ROOT"
python3 "$TESTBENCH_ROOT/tests/soak/soak.py" "$@"
