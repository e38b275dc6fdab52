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

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-windows: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup-windows: all dependencies present"
