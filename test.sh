#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
#   ./test.sh            the default (Release) build and its tests
#   ./test.sh --werror   the same with warnings as errors (CI uses this)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

werror=OFF
for arg in "$@"; do
    case "$arg" in
        --werror) werror=ON ;;
        *) echo "usage: ./test.sh [--werror]" >&2; exit 64 ;;
    esac
done

tavrilo_install_missing
cmake --preset default -DTAVRILO_WARNINGS_AS_ERRORS="$werror"
cmake --build --preset default
ctest --preset default
