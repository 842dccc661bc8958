#!/usr/bin/env bash
# Builds every target a second time with Debian's clang and lld (the same mingw-w64
# headers and libraries), warnings as errors, in build/clang (TESTBENCH_CLANG_BUILD_DIR):
# code that only gcc accepts fails here. Nothing of this build is run; no optimisation
# and no debug information keep it short. CI runs it (.ci/run).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_dir="${TESTBENCH_CLANG_BUILD_DIR:-$TESTBENCH_BUILD_DIR/clang}"
cd "$TESTBENCH_ROOT"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" \
        -DCMAKE_TOOLCHAIN_FILE="$TESTBENCH_ROOT/cmake/clang-mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE= -DTESTBENCH_WARNINGS_AS_ERRORS=ON >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)"
