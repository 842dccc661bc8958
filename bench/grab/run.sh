#!/usr/bin/env bash
# Builds and runs the frame-grabbing benchmark under Wine in the build's private prefix.
# An argument gives the number of frames per measurement (default 500).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/common.sh"

"$root/scripts/build.sh" >/dev/null
"$root/scripts/wine-run.sh" "$TESTBENCH_BUILD_DIR/bench/grab/bench_grab.exe" "$@"
"$(testbench_wineserver)" -w
