#!/usr/bin/env bash
# Fuzzes every reader of outside input for SECONDS each (default 60), after building the
# native core (scripts/build-native.sh), and prints one table: target, inputs tried,
# inputs per second, coverage (features), crashes. The inputs found worth keeping stay in
# build/native-core/fuzz/corpus for the next run; logs and crashing inputs are in
# build/native-core/fuzz. Not part of the test command, which runs each target briefly.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds="${1:-60}"
native="${TESTBENCH_NATIVE_BUILD_DIR:-$TESTBENCH_BUILD_DIR/native-core}"
"$TESTBENCH_ROOT/scripts/build-native.sh" >/dev/null
exec "$TESTBENCH_ROOT/tests/fuzz/run.sh" "$seconds" "$native" "$native/fuzz"
