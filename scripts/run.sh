#!/usr/bin/env bash
# Sets up, builds and starts TestBench.exe under Wine, on the user's display when there
# is one and under a private Xvfb otherwise, with a simulated Samsung camera on COM1.
#
#   scripts/run.sh                        run until the program is closed
#   scripts/run.sh --screenshot FILE.png  (headless use) save a picture of the screen
#                  [--seconds N]          after N seconds (default 5), then close the program
#   --camera-model auto|721|730           what the simulated camera understands (auto)
#   --camera-reply none|echo|ack          what it answers to each command (none)
#   --no-camsim                           no simulator (a real camera on the machine's ports)
#
# The program runs in its own Wine prefix (build/wineprefix-run). The camera simulator
# (tools/camsim/camsim.py) sits on a Linux pty that Wine's COM1 is mapped to; COM2..COM4
# lead nowhere (opening them reports an error), so no real serial device is touched.
# With --no-camsim the ports are Wine's defaults (the machine's /dev/ttyS0..3).
# What the camera receives is printed and logged to build/camsim.log.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

screenshot=""
seconds=5
camsim=1
camera_model=auto
camera_reply=none
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --camera-model) camera_model="$2"; shift 2 ;;
    --camera-reply) camera_reply="$2"; shift 2 ;;
    --no-camsim) camsim=0; shift ;;
    -h | --help) sed -n '2,19p' "$0"; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
    esac
done

"$TESTBENCH_ROOT/scripts/setup.sh"
"$TESTBENCH_ROOT/scripts/build.sh"
export TESTBENCH_WINEPREFIX="$TESTBENCH_BUILD_DIR/wineprefix-run"
export WINEPREFIX="$TESTBENCH_WINEPREFIX"
"$TESTBENCH_ROOT/scripts/prepare-prefix.sh"

wine="$(testbench_wine)"
wineserver="$(testbench_wineserver)"
work="$(mktemp -d)"
camsim_pid=""
cleanup() {
    if [ -n "$camsim_pid" ]; then
        kill "$camsim_pid" 2>/dev/null || true
        wait "$camsim_pid" 2>/dev/null || true
    fi
    testbench_stop_xvfb
    rm -rf "$work"
}
trap cleanup EXIT

program_env=()
if [ "$camsim" = 1 ]; then
    python3 "$TESTBENCH_ROOT/tools/camsim/camsim.py" --pty-file "$work/pty" \
        --model "$camera_model" --reply "$camera_reply" \
        --log "$TESTBENCH_BUILD_DIR/camsim.log" > >(sed -u 's/^/camsim: /') &
    camsim_pid=$!
    for _ in $(seq 1 100); do
        [ -f "$work/pty" ] && break
        sleep 0.1
    done
    if [ ! -f "$work/pty" ]; then
        echo "The camera simulator did not start" >&2
        exit 1
    fi
    pty="$(cat "$work/pty")"
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$pty" /f >/dev/null 2>&1
    # The other ports lead to a directory: opening them fails ("Unable to open COM2
    # port (Error code=5)") instead of reaching a serial device of this machine.
    mkdir -p "$WINEPREFIX/no-serial-port"
    for com in COM2 COM3 COM4; do
        "$wine" reg add 'HKLM\Software\Wine\Ports' /v "$com" /d "$WINEPREFIX/no-serial-port" \
            /f >/dev/null 2>&1
    done
    # Wine's line-event waits need modem lines, which a pty lacks: the shim answers them.
    program_env=(env LD_PRELOAD="$TESTBENCH_BUILD_DIR/native/ptyshim.so"
        PTYSHIM_STATE="$work/modem")
else
    for com in COM1 COM2 COM3 COM4; do
        "$wine" reg delete 'HKLM\Software\Wine\Ports' /v "$com" /f >/dev/null 2>&1 || true
    done
fi
# Wine reads the port mapping when its server starts: restart this prefix's server.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w 2>/dev/null || true

if [ -n "$screenshot" ]; then
    unset DISPLAY
fi
testbench_ensure_display

# Built-in default: on a first run (no video device stored yet) the capture control takes
# the test pattern camera, so the live picture shows without a capture card. A device the
# user chose later is kept.
capture_key='HKCU\Software\Zarrow\Testbench\Form1\VideoCapture1'
if ! "$wine" reg query "$capture_key" /v VideoDeviceName 2>/dev/null | tr -d '\r' | grep -q 'REG_SZ *[^[:space:]]'; then
    "$wine" reg add "$capture_key" /v VideoDeviceName /d "Test Pattern Camera" /f >/dev/null 2>&1 || true
fi

exe="$TESTBENCH_BUILD_DIR/src/TestBench.exe"
if [ -z "$screenshot" ]; then
    status=0
    "${program_env[@]}" "$wine" "$exe" || status=$?
    "$wineserver" -w 2>/dev/null || true
    exit $status
fi

"${program_env[@]}" "$wine" "$exe" &
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
"$wineserver" -w
