#!/usr/bin/env bash
# The Windows installer under Wine (in the WINEPREFIX given): an older
# installer is installed silently, the newer one replaces it (one entry in
# Programs and Features, the newer version), the older one then refuses to
# go back, the installed programs run, and the silent removal leaves
# nothing behind. Usage: msi_test.sh OLDER.msi NEWER.msi SAMPLE.dat
set -euo pipefail
older=$(realpath "$1")
newer=$(realpath "$2")
sample=$(winepath -w "$(realpath "$3")" 2>/dev/null)
fail() { echo "msi_test: $*" >&2; exit 1; }
version_of() { basename "$1" | sed 's/^orvantis-\(.*\)-x64\.msi$/\1/'; }
program_files=$(winepath -u 'C:\Program Files\Orvantis' 2>/dev/null)
installer_cache=$(winepath -u 'C:\windows\Installer' 2>/dev/null)
# The all-users Start menu; Wine puts a per-machine shortcut in the user's.
shortcut() {
  for folder in 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' \
                'C:\users\'"${USER:-$(id -un)}"'\AppData\Roaming\Microsoft\Windows\Start Menu\Programs'; do
    [ -f "$(winepath -u "$folder" 2>/dev/null)/Orvantis.lnk" ] && return 0
  done
  return 1
}
query() { wine reg query "$1" ${2:+/v "$2"} 2>/dev/null | tr -d '\r'; }
# The DisplayVersion of every installed product named Orvantis, one a line.
installed_versions() {
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk '/^HKEY/ { name = ""; version = "" }
         $1 == "DisplayName" { name = $3 }
         $1 == "DisplayVersion" { version = $3 }
         name == "Orvantis" && version != "" { print version; name = "" }'
}

cache_before=$(ls -A "$installer_cache" 2>/dev/null || true)
wine msiexec /i "$older" /qn || fail "installing $(basename "$older") failed"
[ "$(installed_versions)" = "$(version_of "$older")" ] || fail "the older version is not registered: $(installed_versions)"
wine msiexec /i "$newer" /qn || fail "installing $(basename "$newer") over the older one failed"
[ "$(installed_versions)" = "$(version_of "$newer")" ] ||
  fail "the newer installer did not replace the older one: $(installed_versions | tr '\n' ' ')"
if wine msiexec /i "$older" /qn 2>/dev/null; then fail "the older installer went back over the newer one"; fi
[ "$(installed_versions)" = "$(version_of "$newer")" ] || fail "a refused downgrade changed what is installed"

for f in orvantis.exe orvantis-cli.exe CrashReport.dll README.txt; do
  [ -f "$program_files/$f" ] || fail "$f is not installed"
done
shortcut || fail "no Start menu shortcut"
query 'HKLM\Software\Classes\.dat\OpenWithProgids' Orvantis.UpdateDataFile | grep -q Orvantis.UpdateDataFile ||
  fail ".dat does not offer Orvantis in Open with"
query 'HKLM\Software\Classes\Orvantis.UpdateDataFile\shell\open\command' | grep -qi 'orvantis.exe" "%1"' ||
  fail "the ProgID has no open command"
if query 'HKLM\Software\Classes\.dat' | grep -q 'REG_SZ.*Orvantis'; then fail "Orvantis made itself the default for .dat"; fi
shown=$(wine "$program_files/orvantis-cli.exe" show "$sample" | tr -d '\r') || fail "the installed orvantis-cli.exe does not run"
grep -q '^  Product: Tidewater Backup$' <<<"$shown" || fail "the installed orvantis-cli.exe misread the sample"

wine msiexec /x "$newer" /qn || fail "removing failed"
[ ! -e "$program_files" ] || fail "Program Files\\Orvantis is left behind: $(ls "$program_files")"
if shortcut; then fail "the Start menu shortcut is left behind"; fi
[ -z "$(installed_versions)" ] || fail "Programs and Features still lists Orvantis"
[ "$(ls -A "$installer_cache" 2>/dev/null || true)" = "$cache_before" ] ||
  fail "the installer cache keeps $(ls "$installer_cache")"
for key in 'HKLM\Software\Classes\Orvantis.UpdateDataFile' 'HKLM\Software\Classes\Applications\orvantis.exe' \
           'HKLM\Software\Orvantis'; do
  if query "$key" | grep -q .; then fail "$key is left behind"; fi
done
if query 'HKLM\Software\Classes\.dat\OpenWithProgids' Orvantis.UpdateDataFile | grep -q Orvantis; then
  fail "the Open with entry is left behind"
fi
echo "msi_test: $(basename "$newer") replaces $(basename "$older"), installs, registers and removes cleanly"
