#!/usr/bin/env bash
# Starts the built program on a real X server and checks that a window titled
# "Tavrilo" appears, 447 pixels wide, with a fixed size. Run under xvfb-run.
set -euo pipefail
app=$1

QT_QPA_PLATFORM=xcb "$app" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

info=""
deadline=$((SECONDS + 30))
# The window exists before it is laid out and mapped: wait for both.
until info=$(xwininfo -name Tavrilo 2>/dev/null) && grep -q IsViewable <<<"$info"; do
    info=""
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: tavrilo exited before showing a window"; exit 1; }
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "FAIL: waited 30 s for a window titled Tavrilo to be shown"
        exit 1
    fi
    sleep 0.1
done
echo "$info"

width=$(awk '/^ *Width:/ {print $2}' <<<"$info")
height=$(awk '/^ *Height:/ {print $2}' <<<"$info")
[ "$width" -eq 447 ] || { echo "FAIL: width $width, expected 447"; exit 1; }
# The client area is 294 pixels high, under a menu bar.
if [ "$height" -le 294 ] || [ "$height" -gt 340 ]; then
    echo "FAIL: height $height, expected 294 plus a menu bar"
    exit 1
fi

hints=$(xprop -name Tavrilo WM_NORMAL_HINTS)
echo "$hints"
min=$(sed -n 's/.*minimum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
max=$(sed -n 's/.*maximum size: \([0-9]* by [0-9]*\).*/\1/p' <<<"$hints")
[ -n "$min" ] && [ "$min" = "$max" ] || { echo "FAIL: the window can be resized ($min / $max)"; exit 1; }
[ "$min" = "$width by $height" ] || { echo "FAIL: fixed size $min is not the window's size"; exit 1; }

echo "PASS: window Tavrilo ${width}x${height}, fixed size"
