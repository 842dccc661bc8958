#!/usr/bin/env bash
# Sets up, builds and starts TestBench.exe under Wine, on the user's display when there
# is one and under a private Xvfb otherwise, with a simulated Samsung camera on COM1
# (scripts/run.sh --help lists the options).
#
# It builds only what it runs: the program, the test camera (testcam.dll) and its control
# tool, the modem-line shim, and the window closer for --screenshot. Each step is one line
# on the terminal; what the package installation, the build and the prefix preparation
# print goes to build/run.log (to the terminal with --verbose), whose last lines are
# shown when a step fails.
#
# The program runs in its own Wine prefix (build/wineprefix-run). Every COM port is
# mapped in that prefix: COM1 to the camera simulator's pty (tools/camsim/camsim.py)
# unless a --comN device is given, a --comN port to its device, and every other port to
# nothing (opening it reports an error). Wine's own defaults (/dev/ttyS0..3, on virtual
# machines often the console) are never used; a /dev/ttyS* device is mapped only when it
# is named as such. What the simulated camera receives is printed and logged to
# build/camsim.log.
#
# Video: the machine's V4L2 capture devices (/dev/video*) reach the program through
# Wine's own capture source; the script lists them and says when one cannot be opened.
# --emulated-webcam gives the program an emulated one instead (tools/v4l2emu, preloaded
# into the program's process), so the path can be seen without hardware.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage() {
    cat <<'EOF'
Usage: scripts/run.sh [OPTION]...
Installs what is missing, builds TestBench.exe and starts it under Wine, with a
simulated Samsung SHC-721/SHC-730 camera on COM1.

  --screenshot FILE.png          (headless use) save a picture of the screen after
                                 --seconds, then close the program as a user would
  --seconds N                    seconds before the screenshot (default 5)
  --camera-model auto|721|730    what the simulated camera understands (auto)
  --camera-reply none|echo|ack   what it answers to each command (none)
  --com1 DEVICE .. --com4 DEVICE a real serial line (/dev/ttyUSB0, /dev/ttyACM0,
                                 /dev/serial/by-id/...) as that COM port, no simulator
  --no-camsim                    no simulator and no serial device at all
  --emulated-webcam [SETTINGS]   an emulated V4L2 webcam as the next free /dev/videoN,
                                 read by Wine's own capture source (repeat for more);
                                 SETTINGS as in docs/v4l2emu.md, for instance
                                 'name=HDMI Grabber,formats=YUYV,sizes=1280x720,fps=60'
  --check-ports                  check the ports and the cameras, print the mapping,
                                 and stop
  --verbose                      show the installation's and the build's own output
                                 (otherwise it goes to build/run.log)
  -h, --help                     show this help
EOF
}

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
verbose=0
declare -A port_device=()
webcams=()
while [ $# -gt 0 ]; do
    case "$1" in
    --screenshot | --seconds | --camera-model | --camera-reply | --com[1-4])
        [ $# -ge 2 ] && [ -n "$2" ] && [[ "$2" != --* ]] || usage_error "$1 needs a value"
        ;;
    esac
    case "$1" in
    --screenshot) screenshot="$2"; shift 2 ;;
    --seconds)
        [[ "$2" =~ ^[0-9]+(\.[0-9]+)?$ ]] || usage_error "--seconds needs a number, not '$2'"
        seconds="$2"
        shift 2
        ;;
    --camera-model)
        [[ "$2" =~ ^(auto|721|730)$ ]] || usage_error "--camera-model is auto, 721 or 730"
        camera_model="$2"
        shift 2
        ;;
    --camera-reply)
        [[ "$2" =~ ^(none|echo|ack)$ ]] || usage_error "--camera-reply is none, echo or ack"
        camera_reply="$2"
        shift 2
        ;;
    --com[1-4])
        com="COM${1#--com}"
        [ -z "${port_device[$com]:-}" ] || usage_error "$1 is given twice"
        device="$2"
        # Wine needs the device's absolute path.
        [[ "$device" = /* ]] || device="$PWD/$device"
        port_device[$com]="$device"
        shift 2
        ;;
    --emulated-webcam)
        # The settings are optional: the next argument, unless it is another option.
        if [ $# -ge 2 ] && [[ "$2" != --* ]]; then
            webcams+=("$2")
            shift 2
        else
            webcams+=("")
            shift
        fi
        ;;
    --no-camsim) camsim=0; shift ;;
    --check-ports) check_only=1; shift ;;
    --verbose) verbose=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage_error "unknown option: $1 (see --help)" ;;
    esac
done

# Says who may read and write a device the user may not: the members of the device's own
# group (dialout for most USB serial adapters, video for cameras), or its owner alone.
permission_text() {
    local what="$1" device="$2" owner group mode user
    read -r owner group mode < <(stat -L -c '%U %G %a' -- "$device")
    user="$(id -un)"
    local problem="$what: no permission to read and write $device (owner $owner, group $group, mode $mode)"
    # Read and write for the group: the group's members may open it.
    if [ "$group" != root ] && [ $((8#$mode & 8#060)) -eq $((8#060)) ]; then
        if id -nG "$user" | tr ' ' '\n' | grep -qx -- "$group"; then
            echo "$problem: you are in the '$group' group, but this login is not yet; log in again"
            return
        fi
        echo "$problem: add your user to the '$group' group" \
            "(sudo usermod -aG $group $user), then log in again"
        return
    fi
    echo "$problem: only its owner, $owner, can open it"
}

# Refuses a serial device the user may not read and write.
permission_advice() {
    usage_error "$(permission_text "$1" "$2")"
}

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
        permission_advice "$com" "$device"
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
mapping=()
for com in "${coms[@]}"; do
    if [ -n "${port_device[$com]:-}" ]; then
        mapping+=("$com -> ${port_device[$com]}")
    elif [ "$com" = COM1 ] && [ "$camsim" = 1 ]; then
        mapping+=("$com -> camera simulator")
    elif [ "$check_only" = 1 ]; then
        mapping+=("$com -> none")
    fi
done

# The cameras: the emulated ones take the first /dev/videoN numbers (0..9, the ones
# Wine looks at) that the machine does not have; the library checks their settings.
# Without any, the machine's own capture devices are listed.
webcam_env=()
cameras=()
if [ ${#webcams[@]} -gt 0 ]; then
    emulator="$(testbench_build_v4l2emu)"
    number=0
    for settings in "${webcams[@]}"; do
        while [ "$number" -le 9 ] && [ -e "/dev/video$number" ]; do
            number=$((number + 1))
        done
        [ "$number" -le 9 ] || usage_error "--emulated-webcam: /dev/video0..9 are all taken"
        webcam_env+=("V4L2EMU_DEVICE$number=$settings")
        number=$((number + 1))
    done
    if ! checked="$(env "${webcam_env[@]}" V4L2EMU_CHECK=1 LD_PRELOAD="$emulator" /bin/true 2>&1)"; then
        usage_error "--emulated-webcam: ${checked//$'\n'/; }"
    fi
    while IFS= read -r line; do
        cameras+=("${line%%:*} -> emulated: ${line#*: }")
    done <<<"$checked"
else
    shopt -s nullglob
    for device in /dev/video*; do
        [ -c "$device" ] || continue
        name="$(cat "/sys/class/video4linux/${device#/dev/}/name" 2>/dev/null || echo "unnamed")"
        line="$device -> $name"
        number="${device#/dev/video}"
        if ! [[ "$number" =~ ^[0-9]$ ]]; then
            line+=" (not seen: Wine looks at /dev/video0..9 only)"
        elif [ ! -r "$device" ] || [ ! -w "$device" ]; then
            line+=" ($(permission_text "$device" "$device" | sed "s|^$device: ||"))"
        fi
        cameras+=("$line")
    done
    shopt -u nullglob
    [ ${#cameras[@]} -gt 0 ] || cameras+=("no video capture device (/dev/video*)")
fi

if [ "$check_only" = 1 ]; then
    printf '%s\n' "${mapping[@]}" "${cameras[@]}"
    exit 0
fi

# Only root installs packages; another user is told the apt-get line to run first.
missing="$("$TESTBENCH_ROOT/scripts/setup.sh" --missing)"
if [ -n "$missing" ] && [ "$(id -u)" -ne 0 ]; then
    "$TESTBENCH_ROOT/scripts/setup.sh" || exit 1
fi

# One step: its line on the terminal, its output in the log (or on the terminal with
# --verbose); on a failure the log's last lines and where it is.
mkdir -p "$TESTBENCH_BUILD_DIR"
log="$TESTBENCH_BUILD_DIR/run.log"
: >"$log"
step() {
    local what="$1"
    shift
    echo "$what"
    if [ "$verbose" = 1 ]; then
        "$@" || { echo "scripts/run.sh: failed: $what" >&2; exit 1; }
        return 0
    fi
    echo "== $what" >>"$log"
    local started=$SECONDS
    if ! "$@" >>"$log" 2>&1; then
        {
            echo "scripts/run.sh: failed: $what. The log's last lines:"
            tail -n 25 "$log" | sed 's/^/    /'
            echo "The whole log: $log"
        } >&2
        exit 1
    fi
    echo "== done in $((SECONDS - started)) s" >>"$log"
}

if [ -n "$missing" ]; then
    step "Installing packages (first time: about a minute)" "$TESTBENCH_ROOT/scripts/setup.sh"
fi

targets=(TestBench testcam testcamctl)
[ -z "$screenshot" ] || targets+=(closewindow)
if [ -f "$TESTBENCH_BUILD_DIR/src/TestBench.exe" ]; then
    step "Building TestBench" "$TESTBENCH_ROOT/scripts/build.sh" "${targets[@]}"
else
    step "Building TestBench (first time: two to three minutes)" \
        "$TESTBENCH_ROOT/scripts/build.sh" "${targets[@]}"
fi

export TESTBENCH_WINEPREFIX="$TESTBENCH_BUILD_DIR/wineprefix-run"
export WINEPREFIX="$TESTBENCH_WINEPREFIX"
if [ -f "$WINEPREFIX/system.reg" ]; then
    step "Preparing Wine" "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
else
    step "Preparing Wine (first time: about fifteen seconds)" \
        "$TESTBENCH_ROOT/scripts/prepare-prefix.sh"
fi

if [ ${#mapping[@]} -gt 0 ]; then
    echo "Starting TestBench; $(printf '%s, ' "${mapping[@]}" | sed 's/, $//')"
else
    echo "Starting TestBench; no serial port"
fi
printf 'Camera: %s\n' "${cameras[@]}"

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
# The emulated webcams live in the program's own process; the wine server is started
# afresh below, so no process of an earlier run is reused without them. Writing
# "unplugged" into the control file unplugs them while the program runs.
if [ ${#webcam_env[@]} -gt 0 ]; then
    program_env=(env LD_PRELOAD="$TESTBENCH_BUILD_DIR/native/ptyshim.so:$emulator"
        PTYSHIM_STATE="$work/modem" V4L2EMU_CONTROL="$work/webcam-control" "${webcam_env[@]}")
    echo "Unplug the emulated webcam: echo unplugged > $work/webcam-control"
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
if [ ${#webcam_env[@]} -gt 0 ]; then
    # Asked for: the (first) emulated webcam is the capture control's video device.
    webcam_name="${cameras[0]#*-> emulated: }"
    "$wine" reg add "$capture_key" /v VideoDeviceName /d "${webcam_name%%;*}" /f >/dev/null 2>&1 || true
elif ! "$wine" reg query "$capture_key" /v VideoDeviceName 2>/dev/null | tr -d '\r' | grep -q 'REG_SZ *[^[:space:]]'; then
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
