#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that everything a
# desktop needs is in its place, then validates the desktop entry and the
# AppStream metadata as installed.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/tavrilo bin/tavrilo-calc \
            share/applications/com.example.Tavrilo.desktop \
            share/metainfo/com.example.Tavrilo.metainfo.xml \
            share/icons/hicolor/128x128/apps/com.example.Tavrilo.png; do
    [ -e "$prefix/$file" ] || { echo "FAIL: $file was not installed"; exit 1; }
done
[ -x "$prefix/bin/tavrilo" ] && [ -x "$prefix/bin/tavrilo-calc" ] || { echo "FAIL: not executable"; exit 1; }

desktop-file-validate "$prefix/share/applications/com.example.Tavrilo.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.example.Tavrilo.metainfo.xml"

# The icon: a PNG, 128 x 128, 8-bit truecolour without alpha (colour type 2).
icon="$prefix/share/icons/hicolor/128x128/apps/com.example.Tavrilo.png"
header=$(od -An -tx1 -j12 -N14 "$icon" | tr -d ' \n')
[ "$header" = "4948445200000080000000800802" ] || { echo "FAIL: icon header $header is not a 128x128 24-bit PNG"; exit 1; }

"$prefix/bin/tavrilo-calc" 1.3 0.0065 0.1 | grep -qx "27.533 m" || { echo "FAIL: installed tavrilo-calc"; exit 1; }
echo "PASS: installed layout"
