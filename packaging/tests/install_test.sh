#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that everything a
# desktop needs is in its place, then validates the desktop entry and the
# AppStream metadata as installed.
set -euo pipefail
build=$1
version=$2
source=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
id=com.example.tavrilo
for file in bin/tavrilo bin/tavrilo-calc \
            share/applications/$id.desktop share/applications/$id.page.desktop \
            share/tavrilo/tavrilo.html \
            share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/128x128/apps/$id.png \
            share/man/man1/tavrilo.1.gz share/man/man1/tavrilo-calc.1.gz \
            share/bash-completion/completions/tavrilo-calc \
            share/doc/tavrilo/copyright share/doc/tavrilo/changelog.gz; do
    [ -e "$prefix/$file" ] || { echo "FAIL: $file was not installed"; exit 1; }
done
[ -x "$prefix/bin/tavrilo" ] && [ -x "$prefix/bin/tavrilo-calc" ] || { echo "FAIL: not executable"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
desktop-file-validate "$prefix/share/applications/$id.page.desktop"
grep -qx "Exec=sensible-browser $prefix/share/tavrilo/tavrilo.html" "$prefix/share/applications/$id.page.desktop" ||
    { echo "FAIL: the page's entry does not open the installed page"; exit 1; }
# Pedantic, and any remark fails; no network here, so the addresses are not fetched.
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
status=0
remarks=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) || status=$?
echo "$remarks"
if [ "$status" -ne 0 ] || grep -Eq '^[EWIP]: ' <<<"$remarks"; then
    echo "FAIL: appstreamcli validate --pedantic (exit $status)"
    exit 1
fi
grep -q "<release version=\"$version\"" "$metainfo" || { echo "FAIL: no release $version"; exit 1; }

# The icon: a PNG, 128 x 128, 8-bit truecolour without alpha (colour type 2).
icon="$prefix/share/icons/hicolor/128x128/apps/$id.png"
header=$(od -An -tx1 -j12 -N14 "$icon" | tr -d ' \n')
[ "$header" = "4948445200000080000000800802" ] || { echo "FAIL: icon header $header is not a 128x128 24-bit PNG"; exit 1; }

# The copyright file carries the licence of LICENSE, and the changelog this version.
copyright="$prefix/share/doc/tavrilo/copyright"
grep -q "^License: Expat" "$copyright" || { echo "FAIL: copyright names no licence"; exit 1; }
diff <(sed '1,/^Copyright/d' "$source/LICENSE" | sed '1{/^$/d}') \
     <(awk 'text { sub(/^ /, ""); sub(/^\.$/, ""); print } /^License: Expat$/ && last == "" { text = 1 } { last = $0 }' "$copyright") ||
    { echo "FAIL: the licence text in copyright is not that of LICENSE"; exit 1; }
zcat "$prefix/share/doc/tavrilo/changelog.gz" | head -n 1 | grep -qF "tavrilo ($version)" ||
    { echo "FAIL: changelog does not start with $version"; exit 1; }

"$prefix/bin/tavrilo-calc" 1.3 0.0065 0.1 | grep -qx "27.533 m" || { echo "FAIL: installed tavrilo-calc"; exit 1; }
echo "PASS: installed layout"
