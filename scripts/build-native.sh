#!/usr/bin/env bash
# Builds the plain-data core natively with Debian's clang under the address and
# undefined-behaviour sanitizers (tests/native): its unit tests and the fuzz targets of
# every reader of outside input, in build/native-core (TESTBENCH_NATIVE_BUILD_DIR). No
# Wine; the test command runs them (ctest: native_core, fuzz_quick).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build_dir="${TESTBENCH_NATIVE_BUILD_DIR:-$TESTBENCH_BUILD_DIR/native-core}"
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$TESTBENCH_ROOT/tests/native" -B "$build_dir" \
        -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)"
