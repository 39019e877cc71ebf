#!/usr/bin/env bash
# Prints the figures of decoding a 150 dpi grey PNG scan of a card: the PNG decoding alone (and
# Leptonica's own decoder beside it) and the whole decoding into a 1-bit picture (Otsu and
# Sauvola), Google Benchmark medians of the same bytes in the same run, and the ratio of each to
# decoding alone in CPU time, which other work on the machine disturbs less than the wall clock
# (target for Otsu: at most 1.3).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target DecodeBench >/dev/null
./build/bench/DecodeBench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 2>/dev/null | grep -E '^(Benchmark|BM_.*_median)' | tee /dev/stderr |
    awk '/^BM_DecodeOnly_median/ { base = $4 }
         /^BM_DecodeAndBinarise\/0_median/ { otsu = $4 }
         /^BM_DecodeAndBinarise\/2_median/ { sauvola = $4 }
         END { printf "decode + binarise / decode alone: otsu %.2fx, sauvola %.2fx\n", otsu / base, sauvola / base }'
