#!/usr/bin/env bash
# Draws the program's icon (a camera lens on a monitor-blue tile with a red recording
# light) and writes src/app/TestBench.ico with 16, 24, 32, 48 and 256 pixel images.
# The icon is committed, so that builds without ImageMagick (MSVC, MSYS2) have it; run
# this again only to change it. Needs ImageMagick (convert).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

out="${1:-$TESTBENCH_ROOT/src/app/TestBench.ico}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

convert -size 256x256 xc:none \
    -fill '#1f4e8c' -draw 'roundrectangle 8,8 247,247 40,40' \
    -fill '#e8eef7' -draw 'circle 128,136 128,52' \
    -fill '#10243f' -draw 'circle 128,136 128,74' \
    -fill '#3d7bd9' -draw 'circle 128,136 128,100' \
    -fill '#ffffff' -draw 'circle 108,116 108,104' \
    -fill '#e53935' -draw 'circle 206,50 206,30' \
    -depth 8 "$work/icon-256.png"
sizes=()
for size in 16 24 32 48; do
    convert "$work/icon-256.png" -resize "${size}x${size}" "$work/icon-$size.png"
    sizes+=("$work/icon-$size.png")
done
convert "${sizes[@]}" "$work/icon-256.png" "$out"
echo "Wrote $out"
