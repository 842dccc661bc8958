#!/usr/bin/env bash
# Runs one Windows program of the build under Wine; CTest uses it as the cross-compiling
# emulator. Each program runs with a desktop of its own: a copy of the build's prefix
# named after it (so another wine server) on an Xvfb of its own. Two suites running at
# the same time never share the keyboard focus, the activation or the test camera's
# control block, on the X display or in the wine server. The program's exit code is
# this script's.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (
        flock 9
        "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
    ) 9>"$TESTBENCH_BUILD_DIR/.wineprefix.lock"
fi

name="$(basename "$1")"
testbench_use_prefix_copy "${name%.exe}"

# The copy's wine server goes before its display does: a server left on a display that
# is gone hangs the next run's programs.
cleanup() {
    "$(testbench_wineserver)" -k 2>/dev/null || true
    testbench_stop_xvfb
}
trap cleanup EXIT
trap 'exit 143' TERM INT
testbench_start_xvfb

status=0
"$(testbench_wine)" "$@" || status=$?
exit "$status"
