#!/usr/bin/env bash
# Installs the Debian packages that building and testing TestBench needs: the
# mingw-w64 cross compilers (and clang with lld, CI's second compiler; clang's sanitizer
# and libFuzzer run-times for the native core), Wine, Xvfb, GoogleTest sources and the
# tools the tests use. With --missing it only prints the names of the packages that are
# not installed (nothing when all are there).
set -euo pipefail

PACKAGES=(
    cmake make git
    mingw-w64 g++-mingw-w64-x86-64-posix
    clang lld libclang-rt-dev
    wine64 wine fonts-wine libv4l-0
    xvfb xauth imagemagick socat xdotool
    googletest nsis
    gcc libc6-dev python3
)

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ "${1:-}" = --missing ]; then
    echo "${missing[*]}"
    exit 0
fi
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
