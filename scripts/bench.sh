#!/usr/bin/env bash
# Benchmarks. First the start (under Wine): a bare window built like the program, the floor,
# then the demo with 10, 1,000 and 10,000 accounts, each timed from its process's creation
# to its window shown and painted; what the demo holds once started, and where its start
# goes, stage by stage. Then the user list with 10,000 rows: filling, sorting and
# scrolling (under Wine); loading simulated machines of 10, 1,000 and 10,000 accounts
# (native build); and 10,000 random cases of the closing procedure checked against its
# reference (native build). The builds come first and say nothing unless they fail.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
log=$(mktemp)
trap 'rm -f "$log"' EXIT
build() {
    if ! { cmake --preset "$1" && cmake --build --preset "$1" --target "${@:2}"; } >"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
}
build windows customlist_bench startup_bench
build native accounts_bench mainwindow_tests

# ctest prefixes each line of a test's output with its number; only the output is kept.
# Words after the benchmark's name go before ctest (taskset, say): the Wine server that the
# run starts, and every program it starts, inherit them.
wine_bench() {
    "${@:2}" ctest --test-dir build/windows -R "wine_prefix_setup\$|$1" -V |
        grep -E '^[0-9]+: ' | sed 's/^[0-9]*: //' |
        grep -vE '^(Test command|Working Directory|Environment|Test timeout| WINEPREFIX|wine prefix ready)'
}
# The start twice. First with the Wine server and the programs on one processor: every
# call into the window system is a request to the server, and on a virtual machine with
# idle processors each request otherwise waits for the other processor to wake, which
# makes a program of many windows look slower than it is and varies from run to run; on
# one processor the figures are those of the programs' own work, the floor's included.
# Then as the system schedules them, as a user would see it under Wine.
echo "=== Start (under Wine), the Wine server and the programs on one processor ==="
wine_bench startup_bench taskset -c 0
echo "=== Start (under Wine), as the system schedules it ==="
wine_bench startup_bench
echo "=== User list with 10,000 rows (under Wine) ==="
wine_bench customlist_bench
echo "=== Loading accounts (native build) ==="
build/native/bench/accounts_bench
echo "=== The closing procedure against its reference: 10,000 random cases (native build) ==="
start=$(date +%s%N)
QB_CLOSING_CASES=10000 build/native/tests/mainwindow/mainwindow_tests \
    --gtest_filter='ClosingProperty.*' --gtest_brief=1 | grep -v '^Running main'
echo "10,000 cases in $((($(date +%s%N) - start) / 1000000)) ms"
