#!/usr/bin/env bash
# Runs the Windows benchmarks under Wine (in a prefix of their own): the
# package benchmark, beside the Linux build's on the same machine when
# that build has it, and the secure HEAD through Schannel against WinHTTP
# with a private nginx started on the host.
# Usage: bench-windows.sh [WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]] [-- BENCHMARK FLAGS]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
linux=${2:-build}
shift $(( $# < 2 ? $# : 2 )) || true
[ "${1:-}" = "--" ] && shift
flags=("$@")
[ ${#flags[@]} -eq 0 ] && flags=(--benchmark_repetitions=3)
bash scripts/build-windows.sh "$dir" >/dev/null

export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/orvantis-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
fixture=$(realpath "$dir")/bench/web-fixture
cleanup() {
  bash tests/windows/web_fixture.sh stop "$fixture" || true
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1

echo "== package files, Windows build under Wine"
wine "$dir/bench/bench_package.exe" "${flags[@]}"
if [ -x "$linux/bench/bench_package" ]; then
  echo "== package files, Linux build"
  "$linux/bench/bench_package" "${flags[@]}"
fi
echo "== secure HEAD: Schannel through the size request against WinHTTP"
bash tests/windows/web_fixture.sh start "$fixture"
wine "$dir/bench/bench_http_head_windows.exe" "${flags[@]}"
