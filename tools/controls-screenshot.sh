#!/usr/bin/env bash
# Photographs the controls demo under Xvfb:
#   tools/controls-screenshot.sh <windows build dir> <output.png>
# Uses its own Wine prefix for the display (unmanaged windows) beside the headless one, and
# its own X server on display :97, or on :$QB_SCREENSHOT_DISPLAY when that is set. The demo,
# its Wine server and the X server end as soon as the picture is taken.
set -euo pipefail
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
prefix=$build/wineprefix-display
number=${QB_SCREENSHOT_DISPLAY:-97}
display=:$number
"$root/scripts/install-deps.sh"

# Another X server on that display would be photographed instead of ours.
if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; then
    echo "display $display is in use; choose another with QB_SCREENSHOT_DISPLAY" >&2
    exit 1
fi
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wine_started=""
finish() {
    [ -n "$wine_started" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
}
trap finish EXIT
for _ in $(seq 100); do
    kill -0 "$xvfb" 2>/dev/null || break
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
if ! kill -0 "$xvfb" 2>/dev/null || ! DISPLAY=$display xdpyinfo >/dev/null 2>&1; then
    echo "Xvfb did not start on display $display" >&2
    exit 1
fi

export DISPLAY=$display WINEPREFIX=$prefix QB_WINE_USE_DISPLAY=1
wine_started=yes
"$root/cmake/wine-prefix.sh" "$prefix" display >/dev/null
ready=$(mktemp -u /tmp/qb-controls-ready.XXXXXX)
# The demo's own time limit only matters if this script is stopped before the picture.
"$root/cmake/wine-run.sh" "$build/tools/controls_demo.exe" --seconds 60 \
    --ready "Z:${ready//\//\\}" &
demo=$!
for _ in $(seq 300); do
    [ -f "$ready" ] && break
    sleep 0.1
done
[ -f "$ready" ] || { echo "the demo did not come up" >&2; exit 1; }
import -display "$display" -window root "$out"
rm -f "$ready"
# Taken: the demo has nothing to save, so the prefix's server ends it with everything else.
wineserver -k >/dev/null 2>&1 || true
wait "$demo" || true
echo "screenshot: $out"
