# Shared settings of the set-up, build, run and test scripts. Source it; do not run it.
# The build directory and the private Wine prefix inside it can be moved with
# TESTBENCH_BUILD_DIR.
TESTBENCH_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TESTBENCH_BUILD_DIR="${TESTBENCH_BUILD_DIR:-$TESTBENCH_ROOT/build}"
# TESTBENCH_WINEPREFIX names another prefix (scripts/run.sh runs in its own).
export WINEPREFIX="${TESTBENCH_WINEPREFIX:-$TESTBENCH_BUILD_DIR/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

testbench_wine() {
    if command -v wine >/dev/null 2>&1; then
        echo wine
    elif [ -x /usr/lib/wine/wine64 ]; then
        echo /usr/lib/wine/wine64
    else
        echo wine
    fi
}

testbench_wineserver() {
    if command -v wineserver >/dev/null 2>&1; then
        echo wineserver
    else
        echo /usr/lib/wine/wineserver
    fi
}

# Starts a private Xvfb when there is no display, and exports DISPLAY. The caller
# stops it with testbench_stop_xvfb (the scripts do so from an EXIT trap).
TESTBENCH_XVFB_PID=""
testbench_ensure_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local fifo
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    TESTBENCH_XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

testbench_stop_xvfb() {
    if [ -n "$TESTBENCH_XVFB_PID" ]; then
        kill "$TESTBENCH_XVFB_PID" 2>/dev/null || true
        wait "$TESTBENCH_XVFB_PID" 2>/dev/null || true
        TESTBENCH_XVFB_PID=""
    fi
}

# Sets up, builds and prepares the prefix, then makes sure there is a display; the wine
# server and a private Xvfb are stopped when the calling script exits.
testbench_prepare_to_run() {
    "$TESTBENCH_ROOT/scripts/setup.sh"
    "$TESTBENCH_ROOT/scripts/build.sh"
    "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
    trap testbench_cleanup_run EXIT
    testbench_ensure_display
}

testbench_cleanup_run() {
    "$(testbench_wineserver)" -k 2>/dev/null || true
    testbench_stop_xvfb
}
