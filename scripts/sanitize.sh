#!/usr/bin/env bash
# Builds and runs the tests under AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build-asan -DORV_SANITIZE=ON -DORV_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
ctest --test-dir build-asan --output-on-failure --timeout 600 -j "$(nproc)"
