#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it depends on.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(find "$out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package was made"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins; do
    grep -q "$needed" <<<"$depends" || { echo "FAIL: Depends lacks $needed"; exit 1; }
done
grep -Eq 'fonts-(wqy|noto-cjk)' <<<"$depends" || { echo "FAIL: Depends names no CJK font"; exit 1; }
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/tavrilo ./usr/bin/tavrilo-calc ./usr/share/applications/com.example.tavrilo.desktop; do
    grep -q " $file\$" <<<"$contents" || { echo "FAIL: package lacks $file"; exit 1; }
done
echo "PASS: $(basename "$deb")"
