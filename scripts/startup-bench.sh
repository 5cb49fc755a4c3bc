#!/usr/bin/env bash
# Start-up cost of the window: process start to the first painted frame of
# Form1, against a bare Qt window of the same size, alternating in one run.
# Prints the medians, their ratio and the peak resident memory of both, and
# for reference the bare window holding a single Chinese label.
#   scripts/startup-bench.sh [RUNS] [BUILD_DIR]
# Runs on the display in $DISPLAY, or under xvfb-run when there is none.
set -euo pipefail
runs=${1:-21}
build=${2:-$(dirname "$0")/../build/default}
probe="$build/desktop/qt/bench/tavrilo_startup_probe"
[ -x "$probe" ] || { echo "build first: $probe not found" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] && [ -z "${TAVRILO_UNDER_XVFB:-}" ]; then
    TAVRILO_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$runs" "$build"
fi
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

measure() { # prints "milliseconds peak_kib"
    local start out
    start=$(date +%s%N)
    out=$("$probe" "$@")
    read -r frame rss <<<"$out"
    echo "$(( (frame - start) / 1000 )) $rss"
}

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

form_us=() bare_us=() label_us=() form_kib=() bare_kib=() label_kib=()
"$probe" >/dev/null; "$probe" --bare >/dev/null # warm the caches
for ((i = 0; i < runs; i++)); do
    read -r us kib < <(measure); form_us+=("$us"); form_kib+=("$kib")
    read -r us kib < <(measure --bare); bare_us+=("$us"); bare_kib+=("$kib")
    read -r us kib < <(measure --label); label_us+=("$us"); label_kib+=("$kib")
done

f=$(printf '%s\n' "${form_us[@]}" | median)
b=$(printf '%s\n' "${bare_us[@]}" | median)
l=$(printf '%s\n' "${label_us[@]}" | median)
fm=$(printf '%s\n' "${form_kib[@]}" | median)
bm=$(printf '%s\n' "${bare_kib[@]}" | median)
lm=$(printf '%s\n' "${label_kib[@]}" | median)
awk -v f="$f" -v b="$b" -v l="$l" -v fm="$fm" -v bm="$bm" -v lm="$lm" -v n="$runs" 'BEGIN {
    printf "runs: %d each, medians\n", n
    printf "first frame  Form1 %.1f ms   bare window %.1f ms   ratio %.3f\n", f/1000, b/1000, f/b
    printf "peak memory  Form1 %.1f MiB  bare window %.1f MiB  ratio %.3f\n", fm/1024, bm/1024, fm/bm
    printf "reference    bare window with one Chinese label: %.1f ms, %.1f MiB (Form1 / it: %.3f, %.3f)\n",
           l/1000, lm/1024, f/l, fm/lm
}'
