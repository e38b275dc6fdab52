#!/usr/bin/env bash
# The Debian package as a user's machine sees it: built from this build
# folder, checked by lintian, unpacked into a temporary root, its files
# checked by the desktop's own tools, and its program started from there.
# Arguments: build folder, source folder, version.
set -euo pipefail
build=$1 source=$2 version=$3
tmp=$(mktemp -d) pid=
trap '[ -z "$pid" ] || kill -9 "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" 2>&1) || fail "cpack: $out"
deb=$tmp/out/orvantis_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"
out=$(lintian --fail-on error "$deb" 2>&1) || fail "lintian reports errors: $out"
echo "$out"
[ "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | xargs)" = "./control ./md5sums" ] ||
  fail "maintainer scripts in the package"
[[ $(dpkg-deb -f "$deb" Depends) == *'libqt6widgets6 (>='* ]] || fail "Depends not computed"

# The package holds what cmake --install puts under any prefix.
root=$tmp/root share=$tmp/root/usr/share
dpkg-deb -x "$deb" "$root"
cmake --install "$build" --prefix "$tmp/prefix" --strip >/dev/null
diff -r "$root/usr" "$tmp/prefix" || fail "cmake --install differs from the package"
for p in "$root"/usr/bin/*; do
  [ -f "$share/man/man1/${p##*/}.1.gz" ] || fail "no manual page for ${p##*/}"
done
for completion in bash-completion/completions/orvantis-cli zsh/vendor-completions/_orvantis-cli \
                  fish/vendor_completions.d/orvantis-cli.fish; do
  [ ! -e "$root/usr/bin/orvantis-cli" ] || [ -f "$share/$completion" ] || fail "no $completion"
done
for icon in apps/orvantis mimetypes/application-x-orvantis-package; do
  for s in 16 24 32 48 64 128 256; do
    [[ $(file -b "$share/icons/hicolor/${s}x$s/$icon.png") == "PNG image data, $s x $s,"* ]] || fail "$icon at $s"
  done
done
desktop-file-validate "$share/applications/orvantis.desktop"
appstreamcli validate --no-net "$share/metainfo/"*.metainfo.xml >/dev/null

# What dpkg's triggers do on installation, then the desktop's view of the
# files: a package under any name is the package type, other .dat files not.
export XDG_DATA_DIRS=$share:/usr/share XDG_DATA_HOME=$tmp/home XDG_CONFIG_HOME=$tmp/config
export PATH=$root/usr/bin:$PATH
update-mime-database "$share/mime"
update-desktop-database "$share/applications"
files=$tmp/files && mkdir "$files"
cp "$source/examples/sample.dat" "$files/release history"
cp "$source/examples/sample.dat" "$files/package.dat"
printf 'Velmorandistrix release notes\n' >"$files/notes.dat"
printf '\001\000\000\000\020Velmorandistrixx' >"$files/other-length.dat"
head -c 256 /dev/urandom >"$files/random.dat"
info() { gio info -a "standard::$1" "$files/$2" | sed -n "s/^ *standard::$1: //p"; }
for f in "release history" package.dat; do
  [ "$(info content-type "$f")" = application/x-orvantis-package ] || fail "$f not recognised"
done
for f in notes.dat other-length.dat random.dat; do
  [ "$(info content-type "$f")" != application/x-orvantis-package ] || fail "$f taken for a package"
done
[[ $(info icon package.dat) == application-x-orvantis-package,* ]] || fail "package icon"
[[ $(gio mime application/x-orvantis-package) == Default\ application*orvantis.desktop* ]] ||
  fail "not the type's default application"

# The program starts from the unpacked tree and loads its crash-reporting
# library from there; a fatal signal then leaves a report.
! ldd "$root/usr/bin/orvantis" "$root"/usr/lib/*/orvantis/*.so | grep 'not found' || fail "missing libraries"
TMPDIR=$tmp QT_QPA_PLATFORM=offscreen XDG_STATE_HOME=$tmp/state "$root/usr/bin/orvantis" "$files/package.dat" 2>"$tmp/err" &
pid=$!
for _ in $(seq 100); do
  grep -q "$root/usr/lib/.*/orvantis/liborvcrashreport.so" "/proc/$pid/maps" 2>/dev/null && break
  sleep 0.1
done
grep -q "$root/usr/lib/.*/orvantis/liborvcrashreport.so" "/proc/$pid/maps" || fail "crash library not loaded: $(cat "$tmp/err")"
kill -SEGV "$pid"; { wait "$pid"; } 2>/dev/null || true; pid=
[ -s "$(echo "$tmp"/state/orvantis/crash-reports/*/backtrace.txt)" ] || fail "no crash report"
echo "package $deb: all checks passed"
