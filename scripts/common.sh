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

# Builds the emulated V4L2 capture devices (tools/v4l2emu) into
# build/native/v4l2emu.so when a source is newer; prints the library's path.
testbench_build_v4l2emu() {
    local emulator="$TESTBENCH_BUILD_DIR/native/v4l2emu.so"
    mkdir -p "$TESTBENCH_BUILD_DIR/native"
    if [ ! -f "$emulator" ] ||
        [ -n "$(find "$TESTBENCH_ROOT/tools/v4l2emu" -newer "$emulator" -print -quit)" ]; then
        cc -shared -fPIC -O2 -Wall -Wextra -o "$emulator" "$TESTBENCH_ROOT"/tools/v4l2emu/*.c \
            -ldl -lpthread >&2
    fi
    echo "$emulator"
}

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

# Starts an Xvfb of this script's own (Xvfb picks a free display number) and exports
# DISPLAY. The caller stops it with testbench_stop_xvfb (the scripts do so from an EXIT
# trap).
TESTBENCH_XVFB_PID=""
testbench_start_xvfb() {
    local fifo
    fifo="$(mktemp -u)"
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    TESTBENCH_XVFB_PID=$!
    local number=""
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
}

# Starts a private Xvfb when there is no display.
testbench_ensure_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    testbench_start_xvfb
}

# Switches WINEPREFIX to build/wineprefix-NAME, a copy of the build's prefix made once
# (under the preparation lock): its own wine server, so its windows, activations and
# named objects (the test camera's control block) are its own.
testbench_use_prefix_copy() {
    local copy="$TESTBENCH_BUILD_DIR/wineprefix-$1"
    (
        flock 8
        if [ ! -f "$copy/system.reg" ]; then
            rm -rf "$copy"
            (
                flock 9
                cp -a "$WINEPREFIX" "$copy"
            ) 9>"$TESTBENCH_BUILD_DIR/.wineprefix.lock"
        fi
    ) 8>"$TESTBENCH_BUILD_DIR/.wineprefix-$1.lock"
    export WINEPREFIX="$copy"
}

testbench_stop_xvfb() {
    if [ -n "$TESTBENCH_XVFB_PID" ]; then
        kill "$TESTBENCH_XVFB_PID" 2>/dev/null || true
        wait "$TESTBENCH_XVFB_PID" 2>/dev/null || true
        TESTBENCH_XVFB_PID=""
    fi
}

# Sets up, builds and prepares the prefix; the prefix's wine server is stopped when the
# calling script exits. Each suite starts an X server of its own.
testbench_prepare_to_run() {
    "$TESTBENCH_ROOT/scripts/setup.sh"
    "$TESTBENCH_ROOT/scripts/build.sh"
    "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
    trap testbench_cleanup_run EXIT
}

testbench_cleanup_run() {
    "$(testbench_wineserver)" -k 2>/dev/null || true
    testbench_stop_xvfb
}
