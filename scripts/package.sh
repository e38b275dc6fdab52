#!/usr/bin/env bash
# Builds the Debian package orvantis_<version>_<arch>.deb into the project's
# top folder: a release build with Debian's hardening flags, packaged with
# CPack and checked with lintian (errors fail the build).
# ORV_PACKAGE_BUILD_DIR picks the build folder (default: build-package).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir=${ORV_PACKAGE_BUILD_DIR:-build-package}

eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DORV_TESTS=OFF -DORV_BENCH=OFF -DORV_FUZZ=OFF -DORV_SANITIZE=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"

rm -rf "$dir/deb"
cpack --config "$dir/CPackConfig.cmake" -B "$dir/deb"
deb=$(echo "$dir"/deb/orvantis_*.deb)
mv "$deb" .
deb=${deb##*/}
lintian --fail-on error "$deb"
echo "package: $PWD/$deb"
echo "install it with: apt install ./$deb"
