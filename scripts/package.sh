#!/usr/bin/env bash
# Builds the release packages (not part of the test command) into build/dist, or into
# TESTBENCH_DIST_DIR:
#   TestBench-<version>-win64.zip   TestBench.exe, testcam.dll, testcamctl.exe, README,
#                                   licence, first steps (CPack ZIP)
#   TestBench-<version>-setup.exe   the installer (NSIS, makensis; packaging/TestBench.nsi.in)
# --no-build packages the build as it is (the installer test does so).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

if [ "${1:-}" != --no-build ]; then
    "$TESTBENCH_ROOT/scripts/setup.sh"
    "$TESTBENCH_ROOT/scripts/build.sh" >/dev/null
fi

cd "$TESTBENCH_BUILD_DIR"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' CMakeCache.txt)"
dist="${TESTBENCH_DIST_DIR:-$TESTBENCH_BUILD_DIR/dist}"
mkdir -p "$dist"
cpack -G ZIP -B "$dist" --config CPackConfig.cmake >/dev/null
rm -rf "$dist/_CPack_Packages"

# The installer takes the files as installed (stripped, like the zip's).
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cmake --install . --prefix "$stage" --strip >/dev/null
makensis -V2 -DSTAGE="$stage" -DOUTFILE="$dist/TestBench-$version-setup.exe" \
    "$TESTBENCH_BUILD_DIR/packaging/TestBench.nsi"

ls -l "$dist/TestBench-$version-win64.zip" "$dist/TestBench-$version-setup.exe"
