#!/usr/bin/env bash
# Without a display, or with a DISPLAY where no X server answers, the program
# explains how to run it instead of aborting.
set -u
app=$1
# A display number no server uses here.
number=4242
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
done
for display in "" ":$number"; do
    if [ -z "$display" ]; then
        output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" 2>&1)
    else
        output=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$app" 2>&1)
    fi
    status=$?
    echo "DISPLAY=$display: $output"
    [ "$status" -eq 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
    grep -q "Tavrilo：未找到图形显示" <<<"$output" || { echo "FAIL: not the Chinese message"; exit 1; }
    # Advice an installed program's user can follow: no script of the source tree.
    grep -q "xvfb-run tavrilo" <<<"$output" || { echo "FAIL: the message does not say how to run it"; exit 1; }
    ! grep -q "\./run.sh" <<<"$output" || { echo "FAIL: the message names a script of the source tree"; exit 1; }
done
# A terminal set to GB18030 reads the message in its own character set.
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LC_ALL=zh_CN.GB18030 "$app" 2>&1)
iconv -f GB18030 -t UTF-8 <<<"$output" | grep -q "Tavrilo：未找到图形显示" ||
    { echo "FAIL: not in the terminal's character set: $output"; exit 1; }
echo "PASS"
