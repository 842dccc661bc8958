#!/usr/bin/env bash
# Builds and runs the test camera benchmark under Wine in the build's private prefix
# (the camera registered). Arguments go to bench_testcam.exe (seconds of streaming).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/common.sh"

"$root/scripts/build.sh" >/dev/null
"$root/scripts/prepare-prefix.sh"
"$root/scripts/wine-run.sh" "$TESTBENCH_BUILD_DIR/bench/testcam/bench_testcam.exe" "$@"
"$(testbench_wineserver)" -w
