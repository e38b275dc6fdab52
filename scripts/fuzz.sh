#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs every one (one per
# fuzz/*_fuzzer.cpp) for the given number of seconds (default 60),
# starting from its committed corpus and crash regressions. A crash ends
# the script with an error.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/setup.sh
CC=clang-14 CXX=clang++-14 bash scripts/build.sh build-fuzz -DORV_FUZZ=ON -DORV_GUI=OFF -DORV_TESTS=OFF -DORV_BENCH=OFF
shopt -s nullglob
for bin in build-fuzz/fuzz/*_fuzzer; do
  name=$(basename "$bin" _fuzzer)
  work=$(mktemp -d)
  seeds=()
  for d in fuzz/corpus/$name fuzz/regressions/$name; do [ -d "$d" ] && seeds+=("$d"); done
  echo "fuzz: $name for $seconds s"
  "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work" "${seeds[@]}" 2>&1 | tail -n 12
  rm -rf "$work"
done
