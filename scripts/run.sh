#!/usr/bin/env bash
# Sets up, builds and starts TestBench.exe under Wine, on the user's display when there
# is one and under a private Xvfb otherwise, with a simulated Samsung camera on COM1.
#
#   scripts/run.sh                        run until the program is closed
#   scripts/run.sh --screenshot FILE.png  (headless use) save a picture of the screen
#                  [--seconds N]          after N seconds (default 5), then close the program
#   --camera-model auto|721|730           what the simulated camera understands (auto)
#   --camera-reply none|echo|ack          what it answers to each command (none)
#   --com1 DEVICE .. --com4 DEVICE        a real serial line (/dev/ttyUSB0, /dev/ttyACM0,
#                                         /dev/serial/by-id/...) as that COM port, no simulator
#   --no-camsim                           no simulator and no serial device at all
#   --check-ports                         check the ports, print the mapping, and stop
#
# The program runs in its own Wine prefix (build/wineprefix-run). Every COM port is
# mapped in that prefix: COM1 to the camera simulator's pty (tools/camsim/camsim.py)
# unless a --comN device is given, a --comN port to its device, and every other port to
# nothing (opening it reports an error). Wine's own defaults (/dev/ttyS0..3, on virtual
# machines often the console) are never used; a /dev/ttyS* device is mapped only when it
# is named as such. What the simulated camera receives is printed and logged to
# build/camsim.log.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage_error() {
    echo "scripts/run.sh: $*" >&2
    exit 2
}

screenshot=""
seconds=5
camsim=1
camera_model=auto
camera_reply=none
check_only=0
declare -A port_device=()
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot | --seconds | --camera-model | --camera-reply | --com[1-4])
        [ $# -ge 2 ] && [ -n "$2" ] && [[ "$2" != --* ]] || usage_error "$1 needs a value"
        ;;
    esac
    case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --camera-model) camera_model="$2"; shift 2 ;;
    --camera-reply) camera_reply="$2"; shift 2 ;;
    --com[1-4])
        com="COM${1#--com}"
        [ -z "${port_device[$com]:-}" ] || usage_error "$1 is given twice"
        device="$2"
        # Wine needs the device's absolute path.
        [[ "$device" = /* ]] || device="$PWD/$device"
        port_device[$com]="$device"
        shift 2
        ;;
    --no-camsim) camsim=0; shift ;;
    --check-ports) check_only=1; shift ;;
    -h | --help) sed -n '2,21p' "$0"; exit 0 ;;
    *) usage_error "unknown option: $1 (see --help)" ;;
    esac
done

# Checks the device given for a COM port without opening it (opening a serial line can
# already move its modem lines).
check_serial_device() {
    local com="$1" device="$2" resolved
    resolved="$(readlink -m -- "$device")"
    case "$resolved" in
    /dev/console | /dev/tty | /dev/tty[0-9]* | /dev/ptmx)
        usage_error "$com: $device is a console of this machine, not a serial line"
        ;;
    /dev/ttyS[0-9]*)
        # A built-in port is often the machine's console (always on these virtual
        # machines): only its own name, never a link that leads to it, maps it.
        if [ "$device" != "$resolved" ]; then
            usage_error "$com: $device leads to $resolved, a built-in serial port that may be" \
                "the machine's console; name $resolved itself if the camera is on it"
        fi
        ;;
    esac
    [ -e "$device" ] || usage_error "$com: $device does not exist (is the adapter plugged in?)"
    [ -c "$device" ] || usage_error "$com: $device is not a character device"
    local major minor
    read -r major minor < <(stat -L -c '%t %T' -- "$device")
    major=$((16#$major))
    minor=$((16#$minor))
    if [ -d /sys/dev/char ] && ! { [ "$major" -ge 136 ] && [ "$major" -le 143 ]; }; then
        local subsystem
        subsystem="$(readlink -f "/sys/dev/char/$major:$minor/subsystem" 2>/dev/null || true)"
        [ "${subsystem##*/}" = tty ] || usage_error "$com: $device is not a serial (tty) device"
    fi
    if [ ! -r "$device" ] || [ ! -w "$device" ]; then
        usage_error "$com: no permission to read and write $device (group" \
            "$(stat -L -c %G -- "$device")): add your user to the 'dialout' group" \
            "(sudo usermod -aG dialout $(id -un)), then log in again"
    fi
    local other
    for other in "${!port_device[@]}"; do
        if [ "$other" != "$com" ] &&
            [ "$(readlink -m -- "${port_device[$other]}")" = "$resolved" ]; then
            usage_error "$com and $other name the same device $resolved"
        fi
    done
}

coms=(COM1 COM2 COM3 COM4)
for com in "${coms[@]}"; do
    if [ -n "${port_device[$com]:-}" ]; then
        check_serial_device "$com" "${port_device[$com]}"
    fi
done
if [ ${#port_device[@]} -gt 0 ]; then
    camsim=0
fi
for com in "${coms[@]}"; do
    if [ -n "${port_device[$com]:-}" ]; then
        echo "$com -> ${port_device[$com]}"
    elif [ "$com" = COM1 ] && [ "$camsim" = 1 ]; then
        echo "$com -> camera simulator"
    else
        echo "$com -> none"
    fi
done
if [ "$check_only" = 1 ]; then
    exit 0
fi

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
    port_device[COM1]="$(cat "$work/pty")"
fi
# Ports without a device lead to a directory: opening them fails ("Unable to open COM2
# port (Error code=5)") instead of reaching a serial device of this machine.
mkdir -p "$WINEPREFIX/no-serial-port"
for com in "${coms[@]}"; do
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v "$com" \
        /d "${port_device[$com]:-$WINEPREFIX/no-serial-port}" /f >/dev/null 2>&1
done
# Wine's line-event waits need modem lines, which a pty lacks: the shim answers them
# for ptys (the simulator's, or one given as a device) and leaves other devices alone.
program_env=(env LD_PRELOAD="$TESTBENCH_BUILD_DIR/native/ptyshim.so"
    PTYSHIM_STATE="$work/modem")
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
