#!/usr/bin/env bash
# Cross-builds the Windows programs and tests with MinGW-w64 into the given
# folder (default: build-windows). Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-windows.sh
dir=${1:-build-windows}
shift || true
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DORV_WERROR=$werror "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
