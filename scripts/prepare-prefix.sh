#!/usr/bin/env bash
# Creates the private Wine prefix in the build directory on first use and registers
# the project's own COM servers in it (found in the build directory, if built).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

wine="$(testbench_wine)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    echo "Preparing the Wine prefix $WINEPREFIX"
    DISPLAY="" "$wine" wineboot -i >/dev/null 2>&1 || true
    # Wine draws the window frames itself, so windows have title bars and borders also
    # on a display without a window manager (Xvfb).
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$(testbench_wineserver)" -w
fi

# Audio: on a machine without a sound card (servers, CI runners) Wine's ALSA driver
# writes a dozen "ALSA lib ... Unknown PCM default" lines to the terminal and the test logs
# whenever a program lists audio devices; there the prefix gets no audio driver (an
# empty driver list). Where the machine has a sound device Wine picks its driver as
# usual. The capture devices of the project (the test tone microphone too) are DirectShow
# sources of their own and work either way.
if compgen -G '/dev/snd/pcmC*' >/dev/null; then
    "$wine" reg delete 'HKCU\Software\Wine\Drivers' /v Audio /f >/dev/null 2>&1 || true
else
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
fi

# COM servers of the project (the test camera): registered at every preparation so a
# rebuilt server is registered at its current path.
for server in "$TESTBENCH_BUILD_DIR"/tools/*/*.dll; do
    [ -f "$server" ] || continue
    "$wine" regsvr32 /s "$server" >/dev/null 2>&1 || {
        echo "Registering $server failed" >&2
        exit 1
    }
done
"$(testbench_wineserver)" -w
