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

# Output that does not arrive is exit status 2 with the reason, as for
# tavrilo-calc: a full disk, standard output closed.
check_failed_write() { # description, exit status, standard error
    if [ "$2" -ne 2 ] || ! grep -q '^写入 标准输出 时出错' <<<"$3"; then
        echo "FAIL: $1: exit $2 (expected 2), standard error: $3"
        failed=1
    fi
}
for args in --help --version; do
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 "$app" "$args" 2>&1 >/dev/full)
    check_failed_write "tavrilo $args >/dev/full" $? "$err"
    grep -q '：磁盘空间不足$' <<<"$err" || { echo "FAIL: no reason for a full disk: $err"; failed=1; }
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 "$app" "$args" 2>&1 >&-)
    check_failed_write "tavrilo $args >&-" $? "$err"
done

# Under a GB18030 terminal the help comes in GB18030, as tavrilo-calc's does.
if locale -a | grep -qi '^zh_CN\.gb18030$'; then
    want=$(env -u DISPLAY LC_ALL=C.UTF-8 "$app" --help | iconv -f UTF-8 -t GB18030 | od -An -tx1)
    got=$(env -u DISPLAY LC_ALL=zh_CN.GB18030 "$app" --help | od -An -tx1)
    if [ "$got" != "$want" ]; then
        echo "FAIL: tavrilo --help under zh_CN.GB18030 is not in GB18030"
        failed=1
    fi
    err=$(env -u DISPLAY LC_ALL=zh_CN.GB18030 "$app" --help 2>&1 >/dev/full)
    status=$?
    check_failed_write "tavrilo --help >/dev/full under zh_CN.GB18030" $status \
        "$(iconv -f GB18030 -t UTF-8 <<<"$err")"
else
    echo "SKIP: no zh_CN.GB18030 locale (locales-all)"
fi

[ "$failed" -eq 0 ] && echo "PASS"
exit "$failed"
