#!/usr/bin/env bash
# Sets up, builds and starts TestBench.exe under Wine, on the user's display when there
# is one and under a private Xvfb otherwise.
#
#   scripts/run.sh                        run until the program is closed
#   scripts/run.sh --screenshot FILE.png  (headless use) save a picture of the screen
#                  [--seconds N]          after N seconds (default 5), then close the program
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

screenshot=""
seconds=5
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    -h | --help) sed -n '2,8p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

"$TESTBENCH_ROOT/scripts/setup.sh"
"$TESTBENCH_ROOT/scripts/build.sh"
"$TESTBENCH_ROOT/scripts/prepare-prefix.sh"

if [ -n "$screenshot" ]; then
    unset DISPLAY
fi
trap testbench_stop_xvfb EXIT

testbench_ensure_display

# Built-in default: on a first run (no video device stored yet) the capture control takes
# the test pattern camera, so the live picture shows without a capture card. A device the
# user chose later is kept.
wine="$(testbench_wine)"
capture_key='HKCU\Software\Zarrow\Testbench\Form1\VideoCapture1'
if ! "$wine" reg query "$capture_key" /v VideoDeviceName 2>/dev/null | tr -d '\r' | grep -q 'REG_SZ *[^[:space:]]'; then
    "$wine" reg add "$capture_key" /v VideoDeviceName /d "Test Pattern Camera" /f >/dev/null 2>&1 || true
fi

exe="$TESTBENCH_BUILD_DIR/src/TestBench.exe"
if [ -z "$screenshot" ]; then
    "$wine" "$exe"
    exit $?
fi

"$wine" "$exe" &
program=$!
sleep "$seconds"
import -window root "$screenshot"
echo "Screenshot saved to $screenshot"
# Close the main window as a user would, so the program saves its settings.
"$wine" "$TESTBENCH_BUILD_DIR/tools/closewindow/closewindow.exe" "PelmontTest2" >/dev/null 2>&1 || true
for _ in $(seq 1 50); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.2
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
"$(testbench_wineserver)" -w
