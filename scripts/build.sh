#!/usr/bin/env bash
# Configures and builds into the given folder (default: build).
# Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$dir" -G Ninja -DORV_WERROR=$werror "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
