#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Builds the fuzz targets (the fuzz preset: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and fuzzes each target, or those named, for SECONDS (default
# 60) one after another. Each starts from its seed corpus (fuzz/corpus/<target>) and
# from what its earlier runs found (build/fuzz/corpus/<target>, kept between runs), and with
# its dictionary where it has one (fuzz/<target>.dict). For each the command prints
# the executions, the executions per second and the coverage (code edges and features
# reached), and the executions of every run so far. An input that crashes a target, or runs
# longer than ten seconds, is saved in build/fuzz/findings/<target>/ and the command
# ends with status 1: make it a seed of that target's corpus, and fix what it shows.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=($(ls fuzz/corpus))
fi
build=build/fuzz
history=$build/fuzz-history.txt
status=0
printf '%-20s %12s %10s %8s %10s %14s\n' target executions "exec/s" edges features "all runs"
for target in "${targets[@]}"; do
    work=$build/corpus/$target findings=$build/findings/$target log=$build/logs/$target.log
    mkdir -p "$work" "$findings" "$(dirname "$log")"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1
             -artifact_prefix="$findings/")
    [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
    if ! "$build/fuzz/$target" "${options[@]}" "$work" "fuzz/corpus/$target" \
        >"$log" 2>&1; then
        echo "$target: a finding, saved in $findings/ (the log: $log)" >&2
        grep -m 3 -E 'ERROR|check on line|SUMMARY' "$log" >&2 || true
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    coverage=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 || true)
    edges=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$coverage")
    features=$(sed -n 's/.*ft: \([0-9]*\).*/\1/p' <<<"$coverage")
    echo "$target ${runs:-0} $seconds" >>"$history"
    total=$(awk -v t="$target" '$1 == t { n += $2 } END { print n + 0 }' "$history")
    printf '%-20s %12s %10s %8s %10s %14s\n' "$target" "${runs:-0}" "${speed:-0}" \
        "${edges:-?}" "${features:-?}" "$total"
done
exit $status
