#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test Probelet.
# Idempotent: returns quickly when all is present.
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine wine32 wine64 xvfb xauth x11-utils googletest imagemagick python3
          clang libclang-rt-14-dev  # the native fuzz build (libFuzzer, sanitizers)
          nlohmann-json3-dev        # reading probelet-cli's own JSON reports back (--baseline)
          chromium)                 # the HTML report opened in a real headless browser

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# wine32 is an i386 package: its query name carries the architecture
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" \
    && missing=("${missing[@]/wine32}")

if [ "${#missing[@]}" -eq 0 ] || [ -z "$(printf '%s' "${missing[@]}")" ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${packages[@]}"
