#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the portable code natively,
# again with AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows build
# (cross-compiled with mingw-w64) under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in native native-sanitize windows; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "All tests passed."
