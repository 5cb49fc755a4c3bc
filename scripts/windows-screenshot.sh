#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: tavrilo.exe under Wine on a virtual X
# screen, showing the worked example (双向布置, 27.533 m), cropped to the window.
#   scripts/windows-screenshot.sh
# Builds the windows preset's tavrilo.exe and its test driver first. The Wine
# prefix is the build folder's, as for the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tavrilo_install_missing "${tavrilo_windows_packages[@]}"

build=$PWD/build/windows
cmake --preset windows -DBUILD_TESTING=ON >/dev/null
cmake --build --preset windows --target tavrilo tavrilo_form1_driver

work=$(mktemp -d /tmp/tavrilo-screenshot.XXXXXX)
trap 'rm -rf "$work"' EXIT
export build work
xvfb-run -a -s "-screen 0 1024x768x24" bash -euo pipefail -c '
    prefix=$build/wine/window-prefix
    desktop/win32/tests/on-x-display.sh "$prefix" "$build/desktop/win32/tests/tavrilo_form1_driver.exe" --pose \
        "$build/desktop/win32/tavrilo.exe" >"$work/driver.out" 2>&1 &
    driver=$!
    # Nothing is waited for a fixed time: first "ready" from the driver (the
    # window shows the total), then the ink of the total in the result area on the
    # X screen (Wine hands finished paints to the X server a little later).
    wait_for() { # WHAT SECONDS COMMAND...
        local what=$1 deadline=$((SECONDS + $2))
        shift 2
        until "$@"; do
            if [ "$SECONDS" -ge "$deadline" ]; then
                echo "gave up waiting for $what" >&2
                cat "$work/driver.out" >&2
                return 1
            fi
            sleep 0.1
        done
    }
    wait_for "the driver to show the worked example" 60 grep -qs "^ready " "$work/driver.out"
    area=$(sed -n "s/^ready //p" "$work/driver.out" | tr -d "\r")
    total_drawn() { # dark ink on the light area
        import -window root "$work/screen.png" &&
            [ "$(convert "$work/screen.png" -crop "$area" +repage -colorspace Gray \
                 -threshold 50% -format "%[fx:minima] %[fx:maxima]" info:)" = "0 1" ]
    }
    wait_for "the total on the screen in $area" 20 total_drawn
    info=$(xwininfo -name Tavrilo)
    value() { awk -F: -v key="$1" "\$1 ~ key { gsub(/ /, \"\", \$2); print \$2 }" <<<"$info"; }
    geometry="$(value Width)x$(value Height)+$(value "Absolute upper-left X")+$(value "Absolute upper-left Y")"
    convert "$work/screen.png" -crop "$geometry" +repage "$work/window.png"
    cmake/wine-run.sh "$prefix" taskkill /im tavrilo.exe >/dev/null 2>&1 || true
    wait "$driver"
'
cp "$work/window.png" docs/screenshot-windows.png
echo "wrote docs/screenshot-windows.png"
