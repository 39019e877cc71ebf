#!/usr/bin/env bash
# Prints the figures of Open + Process and of reading cards: Google Benchmark medians of
# Open + Process on an A4 page of three cards at 600 dpi (clean, with 1 % of its pixels flipped,
# and with rough card edges, where the containment of the holes costs most), where the time goes,
# Pick to text of one card of 300 punches at 300 and 600 dpi, and `korvane-cli read --all` of the
# 600 dpi page as a whole process with its peak memory (and that of a process that reads nothing),
# and the instructions of `korvane-cli read` with and without --all (callgrind, when installed).
#   bench/pipeline.sh [BASELINE]
# With a git revision as BASELINE, that revision is built beside this one (in a scratch folder)
# and both are measured in turns in the same run: every figure side by side with its change.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
baseline="${1:-}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target PipelineBench korvane-cli >/dev/null
builds=("$root/build")
if [[ -n "$baseline" ]]; then
    rev=$(git rev-parse --short "$baseline")
    base=$(dirname "$(mktemp -u)")/korvane-baseline-$rev
    if [[ ! -d "$base/src" ]]; then
        mkdir -p "$base/src"
        git archive "$rev" | tar -x -C "$base/src"
    fi
    cmake -S "$base/src" -B "$base/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON \
        -DKORVANE_GUI=OFF -DKORVANE_TESTS=OFF >/dev/null
    cmake --build "$base/build" --target PipelineBench korvane-cli >/dev/null
    builds=("$base/build" "$root/build")
fi
results=$(mktemp)
trap 'rm -f "$results"' EXIT
# Google Benchmark medians, the builds taking turns on each benchmark five times, so that the
# drift of a shared machine falls on both alike: "build name milliseconds".
names=$("$root/build/bench/PipelineBench" --benchmark_list_tests=true)
for name in $names; do
    for round in 1 2 3 4 5; do
        for b in "${!builds[@]}"; do
            "${builds[$b]}/bench/PipelineBench" --benchmark_filter="^${name}\$" --benchmark_repetitions=3 \
                --benchmark_report_aggregates_only=true --benchmark_min_time=0.2 2>/dev/null | awk -v b="$b" '/^BM_.*_median/ {
                    print b, $1, $2
                    for (i = 5; i <= NF; i++) if (split($i, kv, "=") == 2) print b, $1 ":" kv[1], kv[2] + 0
                }' >>"$results"
        done
    done
done
pages=$(dirname "$(mktemp -u)")/korvane-bench # where PipelineBench left its pages
cd "$pages"
cp "$root/ibmkaart.txt" .
# The peak memory of a process that reads nothing: what its shared libraries take.
declare -a start_rss
for b in "${!builds[@]}"; do
    rss=$( (/usr/bin/time -f %M "${builds[$b]}/shell/korvane-cli" --help 2>&1 >/dev/null || true) | tail -1)
    echo "$b peak_KiB_start_(--help) $rss" >>"$results"
    start_rss[$b]=$rss
done
for page in a4-600-0.bmp a4-600-10.bmp; do
    for run in 1 2 3 4 5 6 7; do
        for b in "${!builds[@]}"; do
            start=$(date +%s%N)
            # The pages hold random punches, so some columns are unknown and korvane-cli exits 1.
            "${builds[$b]}/shell/korvane-cli" read "$page" --all >/dev/null 2>&1 || true
            echo "$b read_${page}_--all $((($(date +%s%N) - start) / 1000))" | awk '{ print $1, $2, $3 / 1000 }' >>"$results"
        done
    done
    for b in "${!builds[@]}"; do
        rss=$( (/usr/bin/time -f %M "${builds[$b]}/shell/korvane-cli" read "$page" --all 2>&1 >/dev/null || true) | tail -1)
        echo "$b peak_KiB_read_${page}_--all $rss" >>"$results"
        # What the reading itself takes, the libraries aside.
        echo "$b peak_KiB_read_${page}_--all_above_start $((rss - start_rss[b]))" >>"$results"
    done
done
# Instructions, counted by callgrind: the same whatever else the machine is doing, where the
# times above can drift by a third on a shared machine.
if command -v valgrind >/dev/null; then
    for page in a4-600-0.bmp a4-600-10.bmp; do
        for args in "" "--all"; do
            for b in "${!builds[@]}"; do
                out=$(mktemp)
                valgrind --tool=callgrind --callgrind-out-file="$out" "${builds[$b]}/shell/korvane-cli" read "$page" \
                    $args >/dev/null 2>&1 || true
                echo "$b Minstr_read_${page}${args:+_$args} $(awk '/^summary:/ { print $2 / 1e6 }' "$out")" >>"$results"
                rm -f "$out"
            done
        done
    done
fi
# Each figure: the median of its measurements per build.
awk -v two="${#builds[@]}" '
    function median(list,    values, count, p, q, swap) {
        count = split(list, values, " ")
        for (p = 1; p <= count; p++)
            for (q = p + 1; q <= count; q++)
                if (values[q] + 0 < values[p] + 0) { swap = values[p]; values[p] = values[q]; values[q] = swap }
        return count % 2 ? values[(count + 1) / 2] : (values[count / 2] + values[count / 2 + 1]) / 2
    }
    { v[$2 " " $1] = v[$2 " " $1] " " $3; if (!($2 in seen)) { seen[$2] = 1; order[n++] = $2 } }
    END {
        if (two == 2) printf "%-58s %10s %10s %8s\n", "figure (ms; peak memory in KiB; M instructions)", "baseline", "this", "change"
        else printf "%-58s %10s\n", "figure (ms; peak memory in KiB; M instructions)", "this"
        for (r = 0; r < n; r++) {
            f = order[r]
            if (two == 2) {
                was = median(v[f " 0"]); now = median(v[f " 1"])
                printf "%-58s %10.2f %10.2f %+7.1f%%\n", f, was, now, (was > 0 ? 100 * (now - was) / was : 0)
            } else printf "%-58s %10.2f\n", f, median(v[f " 0"])
        }
    }' "$results"
echo "machine load after: $(cut -d' ' -f1-3 /proc/loadavg)"
