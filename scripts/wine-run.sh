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

# A suite that needs the focus to itself (it checks which window is activated when) runs
# with a desktop of its own: a copy of the prefix, so another wine server, on an Xvfb of
# its own. Beside it, the other suites' windows would take the activation, in the wine
# server and on the X display alike.
if [ -n "${TESTBENCH_OWN_DESKTOP:-}" ]; then
    copy="$TESTBENCH_BUILD_DIR/wineprefix-$TESTBENCH_OWN_DESKTOP"
    (
        flock 8
        if [ ! -f "$copy/system.reg" ]; then
            rm -rf "$copy"
            (
                flock 9
                cp -a "$WINEPREFIX" "$copy"
            ) 9>"$TESTBENCH_BUILD_DIR/.wineprefix.lock"
        fi
    ) 8>"$TESTBENCH_BUILD_DIR/.wineprefix-$TESTBENCH_OWN_DESKTOP.lock"
    export WINEPREFIX="$copy"
    unset DISPLAY
fi

wine="$(testbench_wine)"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$wine" "$@"
fi
exec "$wine" "$@"
