#!/usr/bin/env bash
# Builds the Windows installer orvantis-<version>-x64.msi in the top folder
# with wixl (Debian's msitools) from a release cross-build in DIR (default
# build-windows-package/). ORV_PACKAGE_VERSION gives the installer another
# version than the project's (the upgrade test builds an older one).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows-package}
# ORV_PACKAGE_PREBUILT=1 packages DIR as it is (the tests' build does that).
if [ "${ORV_PACKAGE_PREBUILT:-}" != 1 ]; then
  bash scripts/build-windows.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF -DORV_BENCH=OFF
fi
version=${ORV_PACKAGE_VERSION:-$(sed -n 's/^project(Orvantis VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)}
for file in "$dir/app/win32/orvantis.exe" "$dir/app/win32/CrashReport.dll" "$dir/cli/orvantis-cli.exe"; do
  [ -f "$file" ] || { echo "package-windows: $file was not built" >&2; exit 1; }
done
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# wixl takes the files by name from the folder of the source it reads.
cp "$dir/app/win32/orvantis.exe" "$dir/app/win32/CrashReport.dll" "$dir/cli/orvantis-cli.exe" \
  "$dir/dialogs/win32/orvantis.ico" resources/windows/orvantis.wxs "$stage/"
x86_64-w64-mingw32-strip "$stage"/*.exe "$stage"/*.dll
# Notepad reads the README best with Windows line breaks.
sed 's/$/\r/' README.md > "$stage/README.txt"
out="$PWD/orvantis-$version-x64.msi"
(cd "$stage" && wixl --arch x64 -D Version="$version" -o "$out" orvantis.wxs)
echo "package-windows: $out"
