#!/usr/bin/env bash
# The Windows deliveries under Wine:
#   install_test.sh WINE_RUN PREFIX SETUP.exe PORTABLE.zip PROGRAM...
# The zip holds the programs, the readme and the page; a silent install (/S)
# puts them, the uninstaller, the Start-menu shortcuts (Tavrilo and the page's
# Tavrilo 下料单) and the
# Apps & features entry in place; the installed tavrilo-calc.exe calculates;
# a silent uninstall removes all of it.
set -euo pipefail
wine_run=$1 prefix=$2 setup=$3 zip=$4
shift 4
programs=("$@")

fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$wine_run" "$prefix" "$@" </dev/null; }

listing=$(unzip -Z1 "$zip")
for file in "${programs[@]/%/.exe}" README.txt tavrilo.html; do
    grep -qx "tavrilo-[0-9.]*-win64/$file" <<<"$listing" || fail "$file not in the zip: $listing"
done
echo "zip: ${programs[*]}, README.txt and tavrilo.html"

drive_c=$prefix/drive_c
dir="$drive_c/Program Files/Tavrilo"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrilo.lnk"
page_shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrilo 下料单.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrilo'

run "$setup" /S || fail "the installer exited $?"
for file in "${programs[@]/%/.exe}" README.txt tavrilo.html uninstall.exe; do
    [ -f "$dir/$file" ] || fail "not installed: $file"
done
[ -f "$shortcut" ] || fail "no Start-menu shortcut Tavrilo"
[ -f "$page_shortcut" ] || fail "no Start-menu shortcut Tavrilo 下料单"
entry=$(run reg query "$key" 2>/dev/null | tr -d '\r')
for value in "DisplayName.*Tavrilo" "DisplayVersion.*1\.00\.0001" 'DisplayIcon.*Program Files\\Tavrilo\\tavrilo.*\.exe,0' \
             'UninstallString.*uninstall\.exe'; do
    grep -q "$value" <<<"$entry" || fail "Apps & features entry lacks $value: $entry"
done
echo "installed: files, shortcut, Apps & features entry"

result=$(run 'C:\Program Files\Tavrilo\tavrilo-calc.exe' 1.3 0.0065 0.1)
[ "$result" = "27.533 m" ] || fail "the installed tavrilo-calc printed: $result"
echo "installed tavrilo-calc.exe: $result"

run 'C:\Program Files\Tavrilo\uninstall.exe' /S || fail "the uninstaller exited $?"
# The uninstaller runs on from a copy in the temporary folder: wait for it.
for _ in $(seq 60); do
    [ ! -e "$dir" ] && [ ! -e "$shortcut" ] && [ ! -e "$page_shortcut" ] && break
    sleep 0.5
done
[ ! -e "$dir" ] || fail "left behind: $(ls -A "$dir")"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
[ ! -e "$page_shortcut" ] || fail "the page's shortcut is left"
run reg query "$key" >/dev/null 2>&1 && fail "the Apps & features entry is left"
echo "uninstalled: nothing left"
