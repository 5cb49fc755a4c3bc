#!/usr/bin/env bash
# Builds the Debian package, checks what it holds and what it depends on, and
# runs lintian on it: any error, warning or (not overridden) information fails.
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(find "$out" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "FAIL: no package was made"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Computed by dpkg-shlibdeps, so with versions; the plugins and the font by hand.
for needed in 'libqt6widgets6 (>= ' 'libqt6gui6 (>= ' 'libqt6core6 (>= ' 'libc6 (>= ' qt6-qpa-plugins; do
    grep -qF "$needed" <<<"$depends" || { echo "FAIL: Depends lacks $needed"; exit 1; }
done
grep -Eq 'fonts-(wqy|noto-cjk)' <<<"$depends" || { echo "FAIL: Depends names no CJK font"; exit 1; }
contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/tavrilo ./usr/bin/tavrilo-calc \
            ./usr/share/applications/com.example.tavrilo.desktop \
            ./usr/share/applications/com.example.tavrilo.page.desktop ./usr/share/tavrilo/tavrilo.html \
            ./usr/share/metainfo/com.example.tavrilo.metainfo.xml \
            ./usr/share/man/man1/tavrilo.1.gz ./usr/share/man/man1/tavrilo-calc.1.gz \
            ./usr/share/bash-completion/completions/tavrilo-calc \
            ./usr/share/doc/tavrilo/copyright ./usr/share/doc/tavrilo/changelog.gz; do
    grep -q " $file\$" <<<"$contents" || { echo "FAIL: package lacks $file"; exit 1; }
done

# man finds the pages by name where the package puts them.
dpkg-deb -x "$deb" "$out/root"
# The page's entry opens the page where the package puts it.
grep -qx 'Exec=sensible-browser /usr/share/tavrilo/tavrilo.html' \
    "$out/root/usr/share/applications/com.example.tavrilo.page.desktop" ||
    { echo "FAIL: the page's desktop entry does not open /usr/share/tavrilo/tavrilo.html"; exit 1; }
for program in tavrilo tavrilo-calc; do
    LC_ALL=C.UTF-8 man -M "$out/root/usr/share/man" "$program" 2>&1 | grep -q "^ *$program - " ||
        { echo "FAIL: man $program finds no page in the package"; exit 1; }
done

root=()
[ "$(id -u)" -eq 0 ] && root=(--allow-root)
status=0
report=$(lintian "${root[@]}" --display-info --fail-on error,warning,info "$deb" 2>&1) || status=$?
echo "$report"
if [ "$status" -ne 0 ] || grep -Eq '^[EWI]: ' <<<"$report"; then
    echo "FAIL: lintian (exit $status) has something to say about $(basename "$deb")"
    exit 1
fi
echo "PASS: $(basename "$deb"), lintian clean"
