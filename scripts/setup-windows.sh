#!/usr/bin/env bash
# Installs what the Windows cross-build and its tests need, from Debian's
# packages: MinGW-w64 (POSIX threads), Wine, GoogleTest's sources and the
# header-only libraries the core uses. Safe to run again; run as root.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  googletest libcli11-dev nlohmann-json3-dev
  nginx-light openssl
  librsvg2-bin icoutils wixl xvfb xdotool x11-apps imagemagick
)

source "$(dirname "$0")/debian-packages.sh"
install_missing setup-windows "${packages[@]}"
