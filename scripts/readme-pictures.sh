#!/usr/bin/env bash
# Makes the README's pictures of the demo under Wine and Xvfb, into docs/:
#   main-window.png           the main window as it opens, at 96 dots per inch
#   main-window-details.png   with its details shown ("More...")
#   group-dialog.png          "Member of these groups..." for the shown account
#   settings-dialog.png       the settings dialog
#   main-window-200.png       the main window at 192 dots per inch (200 %)
# Run it again whenever one of these windows changes. It uses a copy of the built-in demo
# machine, a Wine prefix of its own and the X display :$QB_RUN_DISPLAY (93 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target quillbay-demo post_command
build=$root/build/windows
demo=$build/src/app/quillbay-demo.exe
post=$build/tools/post_command.exe
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEPREFIX=$build/wineprefix-pictures
number=${QB_RUN_DISPLAY:-93}
if [ -e "/tmp/.X$number-lock" ]; then
    echo "display :$number is in use; choose another with QB_RUN_DISPLAY" >&2
    exit 1
fi
quiet() { "$@" </dev/null >/dev/null 2>&1; }
scratch=$(mktemp -d /tmp/qb-pictures.XXXXXX)
xvfb=""
finish() {
    quiet wineserver -k || true
    [ -n "$xvfb" ] && { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    rm -rf "$scratch"
}
trap finish EXIT

# The X window of the first Wine window whose title is exactly this.
x_window() {
    local id
    for _ in $(seq 300); do
        id=$(xwininfo -root -tree 2>/dev/null | awk -v t="\"$1\":" 'index($0, t) {print $1; exit}')
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}
# A picture of the window titled $1 into docs/$2, with no needless bytes.
shoot() {
    local id
    id=$(x_window "$1")
    sleep 1 # let it finish painting
    import -window "$id" "$scratch/shot.png"
    convert "$scratch/shot.png" -strip -define png:compression-level=9 "docs/$2"
    echo "docs/$2"
}
click() { quiet wine "$post" "$@"; }

# The demo at `dpi` on a screen of the same size in inches, on its own copy of the demo
# machine; its main window's title is printed.
start() {
    local dpi=$1
    quiet wineserver -k || true
    [ -n "$xvfb" ] && { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    Xvfb ":$number" -screen 0 "$((1280 * dpi / 96))x$((1024 * dpi / 96))x24" -nolisten tcp \
        >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:$number
    for _ in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    if [ ! -f "$WINEPREFIX/.quillbay-pictures" ]; then
        mkdir -p "$WINEPREFIX"
        quiet wineboot -i
        quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon' \
            /v LogonType /t REG_DWORD /d 1 /f
        touch "$WINEPREFIX/.quillbay-pictures"
    fi
    quiet wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
    cp demo/machine.json "$scratch/machine.json"
    wine "$demo" --machine "Z:${scratch//\//\\}\\machine.json" >/dev/null 2>&1 &
}

mkdir -p docs
start 96
main="Quill Bay - Margaret"
shoot "$main" main-window.png
click "$main" 1803 # More...
shoot "$main" main-window-details.png
click "$main" 1601 # the "Member of" box
shoot "Member of these groups..." group-dialog.png
click "Member of these groups..." close
click "$main" 1802 # Settings
shoot "Quill Bay - Settings" settings-dialog.png
click "Quill Bay - Settings" close
start 192
shoot "$main" main-window-200.png
