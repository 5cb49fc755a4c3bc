#!/usr/bin/env bash
# tavrilo --help and --version answer without a display and without opening a
# window; anything else still goes to the window (and so, here, to the message
# that there is no display).
set -u
app=$1
version=$2
failed=0
# arguments | exit status | a line the output must have (grep -E)
while IFS='|' read -r args want_status want_line; do
    # shellcheck disable=SC2086 # args are separate words
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" $args 2>&1)
    status=$?
    if [ "$status" -ne "$want_status" ] || ! grep -Eq -- "$want_line" <<<"$output"; then
        echo "FAIL: tavrilo $args: exit $status (expected $want_status), output:"
        echo "$output"
        failed=1
    fi
done <<EOF_CASES
--help|0|^  -v, --version
-h|0|^用法：tavrilo
--version|0|^tavrilo ${version}\$
-v|0|^tavrilo ${version}\$
-reverse|1|xvfb-run
--bogus --version|0|^tavrilo ${version}\$
--bogus|1|xvfb-run
EOF_CASES
[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
