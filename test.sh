#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
#   ./test.sh            the default (Release) build and its tests
#   ./test.sh --werror   the same with warnings as errors (CI uses this)
#   ./test.sh --all      then the whole suite again in the asan preset (GCC,
#                        AddressSanitizer + UndefinedBehaviorSanitizer, leaks
#                        fatal), then every fuzz target for about a minute
#                        (scripts/fuzz.sh; TAVRILO_FUZZ_SECONDS changes it)
# CI runs ./test.sh --werror --all.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

werror=OFF
all=0
for arg in "$@"; do
    case "$arg" in
        --werror) werror=ON ;;
        --all) all=1 ;;
        *) echo "usage: ./test.sh [--werror] [--all]" >&2; exit 64 ;;
    esac
done

started=$SECONDS
stage() {
    echo
    echo "=== $* ($((SECONDS - started))s elapsed)"
}

if [ "$all" = 1 ]; then
    tavrilo_install_missing "${tavrilo_hardening_packages[@]}"
else
    tavrilo_install_missing
fi

stage "default: Release build and tests"
cmake --preset default -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
cmake --build --preset default
ctest --preset default

if [ "$all" = 1 ]; then
    stage "asan: sanitizer build and tests"
    cmake --preset asan -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
    cmake --build --preset asan
    ctest --preset asan

    stage "fuzz: bounded libFuzzer runs"
    fuzz_args=()
    [ "$werror" = ON ] && fuzz_args+=(--werror)
    scripts/fuzz.sh "${fuzz_args[@]}"
fi
stage "all passed"
