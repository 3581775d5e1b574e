#!/usr/bin/env bash
# Benchmarks: loading simulated machines of 10, 1,000 and 10,000 accounts (native build),
# 10,000 random cases of the closing procedure checked against its reference (native build),
# the user list with 10,000 rows: filling, sorting and scrolling (under Wine), and the
# demo's start, from its process to its window shown, with 10, 1,000 and 10,000 accounts
# (under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target accounts_bench mainwindow_tests
echo "=== Loading accounts (native build) ==="
build/native/bench/accounts_bench
echo "=== The closing procedure against its reference: 10,000 random cases (native build) ==="
start=$(date +%s%N)
QB_CLOSING_CASES=10000 build/native/tests/mainwindow/mainwindow_tests \
    --gtest_filter='ClosingProperty.*' --gtest_brief=1 | grep -v '^Running main'
echo "10,000 cases in $((($(date +%s%N) - start) / 1000000)) ms"
cmake --preset windows >/dev/null
cmake --build --preset windows --target customlist_bench startup_bench
echo "=== User list with 10,000 rows, and the demo's start (under Wine) ==="
ctest --test-dir build/windows -R 'wine_prefix_setup|customlist_bench|startup_bench' -V |
    grep -E '^[0-9]+: ' | sed 's/^[0-9]*: //' |
    grep -vE '^(Test command|Working Directory|Environment|Test timeout| WINEPREFIX|wine prefix ready)'
