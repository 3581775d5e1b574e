#!/usr/bin/env bash
# Builds the Windows program and starts the demo under Wine, on the simulated demo machine.
#   scripts/run.sh [--machine FILE] [--dpi N]
# With an X display it runs in a window until it is closed. Without one it runs under
# Xvfb, saves a picture of its window to build/windows/quillbay-demo.png, prints that
# path and ends. Without --machine the demo keeps its machine in the Wine user's local
# application data folder, made from the built-in demo machine on the first start, so
# that what the program writes is still there at the next start. --dpi sets the screen's
# pixels per inch (96 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
machine=""
dpi=96
while [ $# -gt 0 ]; do
    case $1 in
    --machine) machine=$(realpath "$2"); shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    *) echo "usage: scripts/run.sh [--machine FILE] [--dpi N]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target quillbay-demo
build=$root/build/windows
exe=$build/src/app/quillbay-demo.exe
args=()
[ -n "$machine" ] && args=(--machine "Z:${machine//\//\\}")

quiet() { "$@" </dev/null >/dev/null 2>&1; }
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# The welcome screen in use, and the key under which the built-in administrator's place
# on it is kept: otherwise Wine has neither, and the program offers neither.
prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.quillbay-run" ]; then
        mkdir -p "$WINEPREFIX"
        quiet wineboot -i
        [ "${1:-}" = unmanaged ] && quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon' \
            /v LogonType /t REG_DWORD /d 1 /f
        quiet wine reg add \
            'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon\SpecialAccounts\UserList' /f
        touch "$WINEPREFIX/.quillbay-run"
    fi
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINEPREFIX=$build/wineprefix-run
    prepare_prefix
    exec wine "$exe" "${args[@]}"
fi

# No display: a virtual one, photographed once the window is up.
export WINEPREFIX=$build/wineprefix-run-headless
number=${QB_RUN_DISPLAY:-94}
if [ -e "/tmp/.X$number-lock" ]; then
    echo "display :$number is in use; choose another with QB_RUN_DISPLAY" >&2
    exit 1
fi
# A screen as large, in inches, at any density: the window fits it as it fits at 96.
Xvfb ":$number" -screen 0 "$((1280 * dpi / 96))x$((1024 * dpi / 96))x24" -nolisten tcp \
    >/dev/null 2>&1 &
xvfb=$!
finish() {
    quiet wineserver -k || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap finish EXIT
export DISPLAY=:$number
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
quiet wineserver -k || true
prepare_prefix unmanaged
wine "$exe" "${args[@]}" >/dev/null 2>&1 &
window=""
for _ in $(seq 600); do
    window=$(xwininfo -root -tree 2>/dev/null | awk '/"Quill Bay/ {print $1; exit}')
    [ -n "$window" ] && break
    sleep 0.1
done
if [ -z "$window" ]; then
    echo "the program did not show its window" >&2
    exit 1
fi
sleep 1 # let it finish painting
out=$build/quillbay-demo.png
import -window "$window" "$out"
echo "screenshot: $out"
