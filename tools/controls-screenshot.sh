#!/usr/bin/env bash
# Photographs the controls demo under Xvfb:
#   tools/controls-screenshot.sh <windows build dir> <output.png>
# Uses its own Wine prefix for the display (unmanaged windows) beside the headless one.
set -euo pipefail
build=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
prefix=$build/wineprefix-display
display=:${QB_SCREENSHOT_DISPLAY:-97}

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

export DISPLAY=$display WINEPREFIX=$prefix QB_WINE_USE_DISPLAY=1
"$root/cmake/wine-prefix.sh" "$prefix" display >/dev/null
ready=$(mktemp -u /tmp/qb-controls-ready.XXXXXX)
"$root/cmake/wine-run.sh" "$build/tools/controls_demo.exe" --seconds 20 \
    --ready "Z:${ready//\//\\}" &
demo=$!
for _ in $(seq 300); do
    [ -f "$ready" ] && break
    sleep 0.1
done
[ -f "$ready" ] || { echo "the demo did not come up" >&2; exit 1; }
import -display "$display" -window root "$out"
rm -f "$ready"
wait "$demo" || true
echo "screenshot: $out"
