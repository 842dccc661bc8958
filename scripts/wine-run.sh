#!/usr/bin/env bash
# Runs one Windows program of the build under Wine in the private prefix; CTest uses it
# as the cross-compiling emulator. Without a display it runs under its own Xvfb.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    (
        flock 9
        "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
    ) 9>"$TESTBENCH_BUILD_DIR/.wineprefix.lock"
fi

wine="$(testbench_wine)"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
