#!/usr/bin/env bash
# Prepares a Wine prefix for tests and starts a wineserver that outlives the single
# test processes, so that each test does not pay for Wine's start-up.
#   wine-prefix.sh <prefix> headless   windows without X (Graphics=null)
#   wine-prefix.sh <prefix> display    windows on $DISPLAY, unmanaged (no 2 s waits)
#   wine-prefix.sh <prefix> headless-<dpi>   headless, the screen at <dpi> dots per inch
set -euo pipefail
prefix=$1
mode=${2:-headless}
dpi=
case $mode in headless-*) dpi=${mode#headless-} ;; esac
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# Wine takes the system code page from the Unix locale: the same one (1252) for every run,
# whatever the developer's own locale.
export LC_ALL=C.UTF-8
[ "$mode" != display ] && unset DISPLAY

quiet() { "$@" </dev/null >/dev/null 2>&1; }

# A server started for another display (or none) breaks windows on this one.
quiet wineserver -k || true

if [ ! -f "$prefix/.quillbay-$mode" ]; then
    rm -rf "$prefix"
    mkdir -p "$prefix"
    quiet wineboot -i
    if [ "$mode" != display ]; then
        quiet wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    fi
    if [ -n "$dpi" ]; then
        quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    fi
    quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    quiet wineserver -w
    touch "$prefix/.quillbay-$mode"
fi

# Keep the server alive between test processes, detached from ctest's pipes, and let it
# end by itself half a minute after the last one. The delay is one word: "-p 30" is "-p"
# (stay forever) followed by a stray argument.
nohup wineserver -p30 </dev/null >/dev/null 2>&1 &
quiet wine cmd /c exit 0
echo "wine prefix ready: $prefix ($mode)"
