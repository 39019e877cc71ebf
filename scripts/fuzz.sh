#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, address and undefined-behaviour sanitizers) in build-fuzz
# and runs each in turn, one job at a time, for the given number of seconds (default 60):
#   scripts/fuzz.sh [SECONDS] [scan|code-table|image|deck]
# New inputs collect in build-fuzz/corpus/<target>; a crash, hang, leak or sanitizer report stops the
# target and leaves its input in build-fuzz/artifacts/. Every such input belongs in a regression test.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD" # the targets work in a directory of their own: every path handed to them is absolute
seconds="${1:-60}"
only="${2:-}"
bash scripts/deps.sh clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_FUZZ=ON -DKORVANE_GUI=OFF -DKORVANE_TESTS=OFF -DKORVANE_BENCH=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzz_scan fuzz_code_table fuzz_image fuzz_deck

mkdir -p build-fuzz/artifacts
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
# run NAME TARGET MAX_LEN SEED_DIR...
run() {
    local name="$1" target="$2" maxLen="$3"
    shift 3
    [[ -z "$only" || "$only" == "$name" ]] || return 0
    local corpus="$root/build-fuzz/corpus/$name" log="build-fuzz/fuzz-$name.log"
    mkdir -p "$corpus"
    echo "== $target for $seconds s (log: $log)"
    if ! "build-fuzz/fuzz/$target" "$corpus" "$@" -max_total_time="$seconds" -max_len="$maxLen" \
        -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$root/build-fuzz/artifacts/$name-" >"$log" 2>&1; then
        echo "   stopped with a finding:"
        grep -E "ERROR|FAULT|runtime error|Test unit written" "$log" | head -n 5 | sed 's/^/   /'
        status=1
    fi
    grep -E "^#[0-9]+[[:space:]]+(DONE|INITED)" "$log" | sed 's/^/   /' || true
    grep -E "^stat::number_of_executed_units" "$log" | sed 's/^/   /' || true
}
# Scans up to 100 kB (the real scans are 78 kB); bigger inputs only make each run slower.
run scan fuzz_scan 100000 "$root/fuzz/seeds/scan" "$root/tests/data/real-scans"
run code-table fuzz_code_table 8192 "$root/fuzz/seeds/code-table"
# Picture files up to 100 kB: the seeds are small scans of every format, the real 1-bit PNG scans.
run image fuzz_image 100000 "$root/fuzz/seeds/image" "$root/tests/data/real-scans"
# Decks to punch up to 64 kB: the seeds are a few cards in each layout.
run deck fuzz_deck 65536 "$root/fuzz/seeds/deck"
exit "$status"
