#!/usr/bin/env bash
# Without any display the program explains how to run it instead of aborting.
set -u
app=$1
output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" 2>&1)
status=$?
echo "$output"
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
grep -q "xvfb-run" <<<"$output" || { echo "FAIL: the message does not say how to run it"; exit 1; }
echo "PASS"
