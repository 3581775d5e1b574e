#!/usr/bin/env bash
# The soak: the demo under Wine on a simulated machine of 10,000 accounts, driven from
# another process for SECONDS (ten minutes by default) with random clicks on both lists,
# sorts, scrolls, drags on the hours grid and the divider, edits, check boxes and the
# groups and settings dialogs. Prints the demo's handle count, GDI and USER objects and
# private memory after start-up, every minute and at the end, and fails when any of them
# ends more than a few percent above where it began.
#   scripts/soak.sh [SECONDS] [SEED] [KINDS]
# KINDS (such as 5,6) limits the steps to those kinds (see bench/soak_win32.cpp), to find
# which of them makes something grow.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
seed=${2:-$RANDOM}
kinds=${3:-}
scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target soak >/dev/null
build=$PWD/build/windows
# A headless prefix of its own, so that a test run beside it is not disturbed.
cmake/wine-prefix.sh "$build/wineprefix-soak" headless >/dev/null
export WINEPREFIX=$build/wineprefix-soak
status=0
cmake/wine-run.sh "$build/bench/soak.exe" "Z:$build/src/app/quillbay-demo.exe" "$seconds" \
    "$seed" $kinds || status=$?
WINEPREFIX=$build/wineprefix-soak wineserver -k 2>/dev/null || true
exit $status
