#!/usr/bin/env bash
# Installs the Windows installer silently under Wine (in the WINEPREFIX
# given), checks what it put in place, removes it silently and checks that
# nothing is left. Usage: msi_test.sh PACKAGE.msi
set -euo pipefail
msi=$(realpath "$1")
fail() { echo "msi_test: $*" >&2; exit 1; }
program_files=$(winepath -u 'C:\Program Files\Orvantis' 2>/dev/null)
# The all-users Start menu; Wine puts a per-machine shortcut in the user's.
shortcut() {
  for folder in 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' \
                'C:\users\'"${USER:-$(id -un)}"'\AppData\Roaming\Microsoft\Windows\Start Menu\Programs'; do
    [ -f "$(winepath -u "$folder" 2>/dev/null)/Orvantis.lnk" ] && return 0
  done
  return 1
}
query() { wine reg query "$1" ${2:+/v "$2"} 2>/dev/null | tr -d '\r'; }

wine msiexec /i "$msi" /qn || fail "installing failed"
for f in orvantis.exe orvantis-cli.exe CrashReport.dll README.txt; do
  [ -f "$program_files/$f" ] || fail "$f is not installed"
done
shortcut || fail "no Start menu shortcut"
query 'HKLM\Software\Classes\.dat\OpenWithProgids' Orvantis.UpdateDataFile | grep -q Orvantis.UpdateDataFile ||
  fail ".dat does not offer Orvantis in Open with"
query 'HKLM\Software\Classes\Orvantis.UpdateDataFile\shell\open\command' | grep -qi 'orvantis.exe" "%1"' ||
  fail "the ProgID has no open command"
if query 'HKLM\Software\Classes\.dat' | grep -q 'REG_SZ.*Orvantis'; then fail "Orvantis made itself the default for .dat"; fi
wine msiexec /x "$msi" /qn || fail "removing failed"
[ ! -e "$program_files" ] || fail "Program Files\\Orvantis is left behind: $(ls "$program_files")"
if shortcut; then fail "the Start menu shortcut is left behind"; fi
if query 'HKLM\Software\Classes\Orvantis.UpdateDataFile' | grep -q .; then fail "the ProgID is left behind"; fi
if query 'HKLM\Software\Classes\.dat\OpenWithProgids' Orvantis.UpdateDataFile | grep -q Orvantis; then
  fail "the Open with entry is left behind"
fi
echo "msi_test: $(basename "$msi") installs, registers and removes cleanly"
