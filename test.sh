#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
#   ./test.sh            the default (Release) build and its tests, the long
#                        ones aside (ctest -L long: packages, lintian, the
#                        window under thousands of hostile texts)
#   ./test.sh --werror   the same with warnings as errors (CI uses this)
#   ./test.sh --windows  only the Windows stage: the programs cross-built with
#                        MinGW-w64 (windows preset), their tests under Wine, the
#                        portable zip and the installer
#   ./test.sh --web      the default build (for tavrilo-calc to compare with),
#                        then the web stage: the page's module and its tests
#                        under node, the page in headless Chromium, a million
#                        rows through its worker and Lighthouse (web preset)
#   ./test.sh --all      the default build and its tests, the long ones too;
#                        the web stage;
#                        the shared layers alone with every front end off (core
#                        preset: a compiler, CMake and GoogleTest); the Windows
#                        stage; the whole suite again in the asan preset (GCC,
#                        AddressSanitizer + UndefinedBehaviorSanitizer, leaks
#                        fatal); every fuzz target for about a minute
#                        (scripts/fuzz.sh; TAVRILO_FUZZ_SECONDS changes it)
# CI runs ./test.sh --werror --all.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

werror=OFF
all=0
windows_only=0
web_only=0
for arg in "$@"; do
    case "$arg" in
        --werror) werror=ON ;;
        --all) all=1 ;;
        --windows) windows_only=1 ;;
        --web) web_only=1 ;;
        *) echo "usage: ./test.sh [--werror] [--all | --windows | --web]" >&2; exit 64 ;;
    esac
done

started=$SECONDS
stage() {
    echo
    echo "=== $* ($((SECONDS - started))s elapsed)"
}

if [ "$all" = 1 ]; then
    tavrilo_install_missing "${tavrilo_hardening_packages[@]}" "${tavrilo_windows_packages[@]}" \
        $(tavrilo_web_packages)
elif [ "$web_only" = 1 ]; then
    tavrilo_install_missing $(tavrilo_web_packages)
elif [ "$windows_only" = 1 ]; then
    tavrilo_install_missing "${tavrilo_windows_packages[@]}"
else
    tavrilo_install_missing
fi

windows_stage() {
    stage "windows: MinGW-w64 build, tests under Wine, zip and installer"
    cmake --preset windows -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
    cmake --build --preset windows
    local status=0
    ctest --preset windows -j2 || status=$?
    # The Wine server of the build's prefix outlives the tests: stop it.
    local prefix
    for prefix in build/windows/wine/prefix build/windows/wine/window-prefix; do
        WINEPREFIX="$PWD/$prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    done
    return "$status"
}

web_stage() {
    stage "web: the page's module and the page (web preset), tests under node and in Chromium"
    cmake --preset web -DTAVRILO_WARNINGS_AS_ERRORS="$werror" \
        -DTAVRILO_NATIVE_CALC="$PWD/build/default/cli/tavrilo-calc"
    cmake --build --preset web
    ctest --preset web -j2
}

if [ "$web_only" = 1 ] && [ "$all" = 0 ]; then
    stage "default: Release build (tavrilo-calc for the web stage to compare with)"
    cmake --preset default -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
    cmake --build --preset default
    web_stage
    stage "all passed"
    exit 0
fi

if [ "$windows_only" = 1 ] && [ "$all" = 0 ]; then
    windows_stage
    stage "all passed"
    exit 0
fi

stage "default: Release build and tests"
# The packages carry the page, built whenever the wasm32-wasi toolchain
# (installed above) is there: cpack and the long stage's package tests need it.
# AUTO, not a choice left in the cache by an earlier configure.
cmake --preset default -DTAVRILO_WARNINGS_AS_ERRORS="$werror" -DTAVRILO_PAGE=AUTO
cmake --build --preset default
ctest --preset default

if [ "$all" = 1 ]; then
    stage "long: the default build's long tests"
    ctest --preset long

    stage "core: the shared layers alone, every front end off"
    cmake --preset core -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
    if grep -Eq '^(Qt6_DIR|XCB_FOUND|PKG_CONFIG_EXECUTABLE):' build/core/CMakeCache.txt; then
        echo "the core configure looked for a front end's dependencies" >&2
        exit 1
    fi
    cmake --build --preset core
    ctest --preset core -j2

    web_stage

    windows_stage

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
