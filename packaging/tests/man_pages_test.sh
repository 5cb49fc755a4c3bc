#!/usr/bin/env bash
# The manual pages made from the programs' --help: groff and man read them
# without a single warning, and each page names every option its program's
# --help lists.
#   man_pages_test.sh MAN_DIR PROGRAM...
set -euo pipefail
mandir=$1
shift
export LC_ALL=C.UTF-8 MANWIDTH=80
failed=0
for program in "$@"; do
    name=$(basename "$program")
    page="$mandir/$name.1.gz"
    [ -f "$page" ] || { echo "FAIL: $page was not made"; failed=1; continue; }
    groff_says=$(zcat "$page" | groff -k -man -Tutf8 -ww -z 2>&1)
    man_says=$(man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    if [ -n "$groff_says$man_says" ]; then
        echo "FAIL: $name(1) has warnings:"
        echo "$groff_says$man_says"
        failed=1
    fi
    shown=$(man -l "$page" 2>/dev/null)
    for option in $("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
        grep -qF -- "$option" <<<"$shown" || { echo "FAIL: $name(1) lacks $option"; failed=1; }
    done
    whatis=$(lexgrog "$page")
    grep -q "\"$name - [^:]*\"" <<<"$whatis" || { echo "FAIL: whatis entry: $whatis"; failed=1; }
done
[ "$failed" -eq 0 ] && echo "PASS: $*"
exit "$failed"
