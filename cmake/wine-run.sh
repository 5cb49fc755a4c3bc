#!/usr/bin/env bash
# Runs a Windows program under Wine, with the Wine prefix in the build folder:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is made on first use (once, under a lock, so parallel tests can
# share it) with the X11 driver told not to wait for a window manager. The
# Wine server is started detached from our standard streams: otherwise its
# background processes keep a test's output pipe open and ctest waits forever.
set -euo pipefail
prefix=$1
shift

# Only the standard streams go on to Wine. ctest running tests in parallel
# can let this script inherit another test's output pipe; the Wine server and
# its services would hold it open, and ctest would wait for it forever.
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    if [ "$fd" -gt 2 ]; then
        eval "exec $fd>&-" 2>/dev/null || true
    fi
done

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINEPREFIX=$prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko to download: nothing here uses .NET or the HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Nothing in the home folder: Wine's caches and desktop entries go beside the prefix.
export XDG_CACHE_HOME=$prefix.home/cache XDG_DATA_HOME=$prefix.home/data XDG_CONFIG_HOME=$prefix.home/config
# Menus and message boxes in Chinese, as on a Chinese Windows. The locale's
# codeset is also how Wine turns file names and arguments into Unicode: it
# must be UTF-8 (package locales-all), and no LC_ALL of the caller may
# override it.
export LANG=${TAVRILO_WINE_LANG:-zh_CN.UTF-8}
export LC_ALL=$LANG

mkdir -p "$prefix" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
(
    flock 9
    # The server outlives this script: it must not hold the lock. (-p exits
    # 2 when a server of the prefix already runs.)
    fresh=0
    "$wineserver" -p >/dev/null 2>&1 </dev/null 9>&- && fresh=1
    if [ ! -f "$prefix/.tavrilo-ready" ]; then
        "$wine" wineboot -i >/dev/null 2>&1 </dev/null 9>&-
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null 9>&-
        touch "$prefix/.tavrilo-ready"
    elif [ "$fresh" = 1 ]; then
        # The prefix's services start with the first program of a new server
        # and would keep that program's output streams: start them here.
        "$wine" wineboot >/dev/null 2>&1 </dev/null 9>&-
    fi
) 9>"$prefix.lock"

exec "$wine" "$@"
