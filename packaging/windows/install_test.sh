#!/usr/bin/env bash
# The Windows deliveries under Wine:
#   install_test.sh WINE_RUN PREFIX SETUP.exe PORTABLE.zip PROGRAM...
# The zip holds the programs, the readme and the page; a silent install (/S)
# puts them, the uninstaller, the Start-menu shortcuts (Tavrilo, and the
# page's Tavrilo 下料单) and the
# Apps & features entry in place; the installed tavrilo-calc.exe calculates;
# a silent uninstall removes all of it. Installing again, into the same or
# another folder, leaves one installation, which uninstalls completely.
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
uninstall_keys='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
key="$uninstall_keys\Tavrilo"
# A second folder, with a Chinese name, for installing twice.
other_windows='C:\工具\Tavrilo'
other="$drive_c/工具/Tavrilo"

# Polls COMMAND until it succeeds; after SECONDS, fails naming WHAT.
wait_for() { # WHAT SECONDS COMMAND...
    local what=$1 deadline=$((SECONDS + $2))
    shift 2
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || fail "waited $2 s for $what"
        sleep 0.2
    done
}
gone() { [ ! -e "$1" ]; }
# reg.exe writes to a pipe in the ANSI code page of the Chinese locale.
reg_query() { run reg query "$@" 2>/dev/null | iconv -f GB18030 -t UTF-8 | tr -d '\r'; }

# Exactly one Tavrilo on disk and in Apps & features: in WINDOWS_DIR (DIR
# seen from here), the other folder gone.
installed_once() { # DIR WINDOWS_DIR OTHER_DIR
    local file entry
    for file in "${programs[@]/%/.exe}" README.txt tavrilo.html uninstall.exe; do
        [ -f "$1/$file" ] || fail "not installed in $2: $file"
    done
    [ ! -e "$3" ] || fail "an earlier installation is left: $(ls -A "$3")"
    [ -f "$shortcut" ] || fail "no Start-menu shortcut Tavrilo"
    [ -f "$page_shortcut" ] || fail "no Start-menu shortcut Tavrilo 下料单"
    entry=$(reg_query "$key")
    value_of() { awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }' <<<"$entry"; }
    [ "$(value_of DisplayName)" = Tavrilo ] && [ "$(value_of DisplayVersion)" = 1.00.0001 ] &&
        [ "$(value_of InstallLocation)" = "$2" ] && [[ "$(value_of DisplayIcon)" == "$2\\"tavrilo*.exe,0 ]] &&
        [ "$(value_of UninstallString)" = "\"$2\\uninstall.exe\"" ] ||
        fail "the Apps & features entry is not that of $2: $entry"
    local count
    count=$(reg_query "$uninstall_keys" /s | grep -c 'DisplayName.*REG_SZ.*Tavrilo$' || true)
    [ "$count" = 1 ] || fail "$count entries for Tavrilo in Apps & features"
}

# Its uninstaller removes all of it.
uninstalled() { # DIR WINDOWS_DIR
    run "$2\uninstall.exe" /S || fail "the uninstaller in $2 exited $?"
    # The uninstaller runs on from a copy in the temporary folder: wait for it.
    wait_for "the uninstaller to remove $2" 60 gone "$1"
    wait_for "the uninstaller to remove the shortcut" 30 gone "$shortcut"
    wait_for "the uninstaller to remove the page's shortcut" 30 gone "$page_shortcut"
    ! run reg query "$key" >/dev/null 2>&1 || fail "the Apps & features entry is left"
}

# Nothing left from an earlier run that failed half-way.
run reg delete "$key" /f >/dev/null 2>&1 || true
rm -rf "$dir" "$drive_c/工具" "$shortcut" "$page_shortcut"

run "$setup" /S || fail "the installer exited $?"
installed_once "$dir" 'C:\Program Files\Tavrilo' "$other"
echo "installed: files, shortcut, Apps & features entry"

result=$(run 'C:\Program Files\Tavrilo\tavrilo-calc.exe' 1.3 0.0065 0.1)
[ "$result" = "27.533 m" ] || fail "the installed tavrilo-calc printed: $result"
echo "installed tavrilo-calc.exe: $result"

# Installed again into another folder: the first installation goes.
run "$setup" /S "/D=$other_windows" || fail "the installer into $other_windows exited $?"
installed_once "$other" "$other_windows" "$dir"
uninstalled "$other" "$other_windows"
echo "installed in the default folder, then in $other_windows: one installation, uninstalled"

# Installed into another folder, then again without naming one: it stays there.
run "$setup" /S "/D=$other_windows" || fail "the installer into $other_windows exited $?"
run "$setup" /S || fail "the second installer exited $?"
installed_once "$other" "$other_windows" "$dir"
uninstalled "$other" "$other_windows"
rmdir "$drive_c/工具"
echo "installed in $other_windows, then again: one installation there, uninstalled"

# Installed twice into the default folder: the second goes over the first.
run "$setup" /S || fail "the installer exited $?"
run "$setup" /S || fail "the second installer exited $?"
installed_once "$dir" 'C:\Program Files\Tavrilo' "$other"
uninstalled "$dir" 'C:\Program Files\Tavrilo'
echo "installed twice in the default folder: one installation, uninstalled: nothing left"
