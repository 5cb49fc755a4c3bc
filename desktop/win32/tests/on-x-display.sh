#!/usr/bin/env bash
# Runs a Windows program under Wine on the X display of this run:
#   on-x-display.sh PREFIX PROGRAM [ARGUMENTS...]   (under xvfb-run)
# Wine's desktop process lives as long as the prefix's server and keeps the
# display it was started on, so a server left from an earlier run (whose X
# server is gone) is stopped first, and this run's is stopped at the end.
set -uo pipefail
prefix=$1
stop() { WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k 2>/dev/null || true; }
stop
"$(dirname "$0")/../../../cmake/wine-run.sh" "$@"
status=$?
stop
exit "$status"
