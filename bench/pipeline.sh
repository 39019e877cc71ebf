#!/usr/bin/env bash
# Prints the figures of Open + Process and of reading cards: Google Benchmark medians of
# Open + Process on an A4 page of three cards at 600 dpi (clean and with 1 % of its pixels
# flipped), where the time goes, Pick to text of one card of 300 punches at 300 and 600 dpi, and
# `korvane-cli read --all` of the 600 dpi page as a whole process with its peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target PipelineBench korvane-cli >/dev/null
root=$(pwd)
./build/bench/PipelineBench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 2>/dev/null | grep -E '^(Benchmark|BM_.*_median)'
pages=$(dirname "$(mktemp -u)")/korvane-bench   # where PipelineBench left its pages
cd "$pages"
cp "$root/ibmkaart.txt" .
for page in a4-600-0.bmp a4-600-10.bmp; do
    times=()
    for run in 1 2 3 4 5 6 7; do
        start=$(date +%s%N)
        "$root/build/shell/korvane-cli" read "$page" --all >/dev/null 2>&1 || true
        times+=($((($(date +%s%N) - start) / 1000000)))
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 4p)
    # The pages hold random punches, so some columns are unknown and korvane-cli exits 1.
    rss=$( (/usr/bin/time -f %M "$root/build/shell/korvane-cli" read "$page" --all 2>&1 >/dev/null || true) | tail -1)
    rssOverlay=$( (/usr/bin/time -f %M "$root/build/shell/korvane-cli" read "$page" --all --overlay o.png \
                   2>&1 >/dev/null || true) | tail -1)
    echo "korvane-cli read $page --all: median ${median} ms of 7 runs; peak memory $((rss / 1024)) MiB," \
         "with --overlay $((rssOverlay / 1024)) MiB"
done
