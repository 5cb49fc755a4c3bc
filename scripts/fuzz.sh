#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan + UBSan) and runs every fuzz
# target it lists for a bounded time, one after the other.
#   scripts/fuzz.sh [--werror] [--seconds N] [--no-build] [TARGET...]
# Each target starts from a fresh copy of its committed seed corpus under
# build/fuzz/work/<target>/corpus; a failing input is kept in
# build/fuzz/work/<target>/ (crash-*, leak-*, timeout-*, oom-*). Prints one line
# per target with the number of executions reached, and fails if any target
# failed. Targets are those declared with tavrilo_add_fuzzer() anywhere in the
# source tree (the build writes them to build/fuzz/fuzz_targets.tsv).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

seconds="${TAVRILO_FUZZ_SECONDS:-60}"
werror=OFF
build=1
only=()
while [ $# -gt 0 ]; do
    case "$1" in
        --werror) werror=ON ;;
        --seconds) seconds="${2:?--seconds needs a number}"; shift ;;
        --no-build) build=0 ;;
        -*) echo "usage: scripts/fuzz.sh [--werror] [--seconds N] [--no-build] [TARGET...]" >&2
            exit 64 ;;
        *) only+=("$1") ;;
    esac
    shift
done

builddir=build/fuzz
if [ "$build" = 1 ]; then
    tavrilo_install_missing "${tavrilo_hardening_packages[@]}"
    cmake --preset fuzz -DTAVRILO_WARNINGS_AS_ERRORS="$werror" >/dev/null
    cmake --build --preset fuzz
fi
list="$builddir/fuzz_targets.tsv"
[ -f "$list" ] || { echo "error: $list missing: build the fuzz preset first" >&2; exit 1; }

# Sanitizer reports symbolized by clang's own symbolizer, leaks fatal, and
# the same leak suppressions as the asan preset.
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:print_stacktrace=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/sanitizers/lsan.supp:print_suppressions=0"

passed=0
failed=0
summary=()
while IFS=$'\t' read -r name program seeds flags; do
    [ -n "$name" ] || continue
    if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then
        continue
    fi
    work="$builddir/work/$name"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp -R "$seeds/." "$work/corpus/"
    echo "== fuzzing $name for ${seconds}s (seeds: $seeds)"
    status=0
    # shellcheck disable=SC2086 # flags are separate libFuzzer arguments
    "$program" $flags -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$work/" "$work/corpus" >"$work/log" 2>&1 ||
        status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    if [ "$status" -eq 0 ] && [ -n "$runs" ]; then
        passed=$((passed + 1))
        line="fuzz $name: ${runs} executions in ${seconds}s, corpus $(ls "$work/corpus" | wc -l) inputs: OK"
    else
        failed=$((failed + 1))
        line="fuzz $name: FAILED (exit $status) after ${runs:-?} executions; log $work/log"
        tail -n 60 "$work/log" >&2
        ls "$work" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' | sed "s|^|  input kept: $work/|" >&2 ||
            true
    fi
    echo "$line"
    summary+=("$line")
done <"$list"

if [ $((passed + failed)) -eq 0 ]; then
    echo "error: no fuzz target ran" >&2
    exit 1
fi
echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
