#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavrilo.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

tavrilo_install_missing
cmake --preset default >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "没有图形显示：请在桌面中运行 ./run.sh，或用虚拟显示运行 xvfb-run ./run.sh" >&2
    echo "No display: run ./run.sh on a desktop, or under a virtual display: xvfb-run ./run.sh" >&2
    exit 1
fi
exec ./build/default/desktop/qt/tavrilo
