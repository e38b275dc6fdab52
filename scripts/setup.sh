#!/usr/bin/env bash
# Installs everything Orvantis needs to build, test and run, from Debian's
# packages. Safe to run again; run as root on Debian 12.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6test6 libqt6svg6 libxcb1-dev
  xvfb x11-apps imagemagick xdotool xauth
  nginx-light curl
  libssl-dev openssl libcurl4-openssl-dev
  desktop-file-utils xdg-utils
  librsvg2-bin file dpkg-dev lintian appstream shared-mime-info libglib2.0-bin
  libcli11-dev nlohmann-json3-dev libsimdjson-dev libpugixml-dev python3-feedparser
  bash-completion
)

source "$(dirname "$0")/debian-packages.sh"
install_missing setup "${packages[@]}"
