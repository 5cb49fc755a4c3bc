#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavrilo.
#   ./run.sh         the window
#   ./run.sh --web   the page: builds build/web/site/ and serves it on
#                    127.0.0.1 (the address is printed; Ctrl+C stops it)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

if [ "${1:-}" = --web ]; then
    tavrilo_install_missing $(tavrilo_web_packages)
    cmake --preset web >/dev/null
    cmake --build --preset web --target tavrilo_page
    echo "单文件版：$PWD/build/web/tavrilo.html"
    exec node web/serve.mjs build/web/site "${TAVRILO_PORT:-8080}"
elif [ $# -gt 0 ]; then
    echo "usage: ./run.sh [--web]" >&2
    exit 64
fi

tavrilo_install_missing
cmake --preset default >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "没有图形显示：请在桌面中运行 ./run.sh，或用虚拟显示运行 xvfb-run ./run.sh" >&2
    echo "No display: run ./run.sh on a desktop, or under a virtual display: xvfb-run ./run.sh" >&2
    exit 1
fi
exec ./build/default/desktop/qt/tavrilo
