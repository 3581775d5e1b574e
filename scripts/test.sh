#!/usr/bin/env bash
# Installs what is missing, checks that includes point down the layers, then builds and
# runs every test: the portable code natively, the Windows build (cross-compiled with
# mingw-w64) under Wine, the portable code again with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets over their seed corpora; then clang-tidy
# over the program's code. Last it makes sure that no Wine process of the build trees
# outlives the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
scripts/check-layers.sh

# The Wine processes, server included, that run for a prefix inside this tree's build
# folders (the test prefixes), as "pid command" lines.
wine_leftovers() {
    local environ pid exe pattern
    pattern="^WINEPREFIX=$(sed 's/[][\.*^$]/\\&/g' <<<"$root")/build/"
    for environ in $(grep -l -z "$pattern" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
        case ${exe##*/} in
        wine*) echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" ;;
        esac
    done
}

# The Windows tests run before the sanitized builds, whose compile time then covers the
# half minute that the Wine server stays on after its last client. The fuzz targets run over
# their seed corpora only (scripts/fuzz.sh fuzzes them).
for preset in native windows native-sanitize fuzz; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
    [ "$preset" = windows ] && wine_tests_ended=$SECONDS
done
echo "=== clang-tidy ==="
scripts/tidy.sh

# Wine must end by itself: a server or Wine process still there a minute after the tests
# would be there for good.
deadline=$((wine_tests_ended + 70))
while [ -n "$(wine_leftovers)" ] && [ $SECONDS -lt $deadline ]; do
    sleep 1
done
leftovers=$(wine_leftovers)
if [ -n "$leftovers" ]; then
    echo "Wine processes of the test prefixes are still running a minute after the tests:" >&2
    echo "$leftovers" | sed 's/^/  /' >&2
    exit 1
fi
echo "All tests passed; no Wine process left running."
