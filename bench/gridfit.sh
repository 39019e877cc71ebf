#!/bin/sh
# Builds the grid-fit benchmark and prints the median time of one normal-equations step for a
# card with 300 holes at 300 dpi: all 960 grid positions per hole, and GridNormalEquations, which
# skips the positions of weight 0. The build directory is build-bench unless BUILD_DIR says else.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
repetitions=${REPETITIONS:-15}

cmake -S "$root" -B "$build" -G Ninja -DKORVANE_GUI=OFF -DKORVANE_TESTS=OFF -DKORVANE_BENCH=ON >/dev/null
cmake --build "$build" --target GridFitBench -j2 >/dev/null

out=$("$build/bench/GridFitBench" --benchmark_repetitions="$repetitions" \
    --benchmark_report_aggregates_only=true 2>/dev/null)
echo "$out" | head -n 1
median() { echo "$out" | awk -v name="$1_median" '$1 == name { print $2 " " $3 }'; }
echo "GridNormalEquations, 300 holes at 300 dpi, median of $repetitions runs:"
echo "  before, all 960 positions per hole: $(median BM_FullLoop)"
echo "  after, zero weights skipped:        $(median BM_GridNormalEquations)   (target: under 50 us)"
