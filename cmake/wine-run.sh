#!/usr/bin/env bash
# Runs a Windows executable under Wine for ctest (CMAKE_CROSSCOMPILING_EMULATOR).
# The prefix comes from WINEPREFIX, which the build sets per test; without one the
# build tree's headless prefix is used.
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-run.sh: WINEPREFIX is not set" >&2
    exit 2
fi
export WINEDEBUG=-all
# Wine takes the system code page from the Unix locale: the same one (1252) for every run,
# whatever the developer's own locale.
export LC_ALL=C.UTF-8
# No Mono/Gecko prompts; a crash exits non-zero instead of waiting in the debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# Headless unless a test asks for the X display on purpose (screenshots).
if [ -z "${QB_WINE_USE_DISPLAY:-}" ]; then
    unset DISPLAY
fi
exec wine "$@" 2> >(grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'execute "dpkg' -e 'apt-get install wine32' >&2)
