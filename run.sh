#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavrilo.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

tavrilo_install_missing
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/default/app/tavrilo
