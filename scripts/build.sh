#!/usr/bin/env bash
# Configures and builds TestBench.exe, its tools and its tests with the mingw-w64
# cross compilers (the "mingw" preset), in build/ unless TESTBENCH_BUILD_DIR says otherwise.
# With target names (scripts/build.sh TestBench testcam) it builds only those.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

cd "$TESTBENCH_ROOT"
if [ ! -f "$TESTBENCH_BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S . -B "$TESTBENCH_BUILD_DIR" \
        -DCMAKE_TOOLCHAIN_FILE="$TESTBENCH_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
targets=()
if [ $# -gt 0 ]; then
    targets=(--target "$@")
fi
cmake --build "$TESTBENCH_BUILD_DIR" -j "$(nproc)" "${targets[@]}"

# Native (Linux) helpers of the tests: the modem-line shim that lets Wine wait for line
# events on a pty, and the emulated V4L2 capture devices (tools/v4l2emu) that Wine's own
# capture source reads.
mkdir -p "$TESTBENCH_BUILD_DIR/native"
if [ ! -f "$TESTBENCH_BUILD_DIR/native/ptyshim.so" ] ||
    [ "$TESTBENCH_ROOT/tools/ptyshim/ptyshim.c" -nt "$TESTBENCH_BUILD_DIR/native/ptyshim.so" ]; then
    cc -shared -fPIC -O2 -Wall -Wextra -o "$TESTBENCH_BUILD_DIR/native/ptyshim.so" \
        "$TESTBENCH_ROOT/tools/ptyshim/ptyshim.c" -ldl -lpthread
fi
testbench_build_v4l2emu >/dev/null
