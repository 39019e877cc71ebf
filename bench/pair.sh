#!/usr/bin/env bash
# Prints how long the window takes to open a duplex pair (File > Open pair or a drop until the pair
# view is shown) and to read it (both sides read, paired and fused), for the six real pairs of
# tests/data/real-scans and a punched pair, from the offscreen window test, and whether each reads
# exact with its sides agreeing. Beside it, the
# baseline of the same run: korvane-cli's read --duplex of the six real pairs on one core.
#   bench/pair.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON -DKORVANE_TESTS=ON >/dev/null
cmake --build build --target qt_tests korvane-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/ibmkaart.txt" .
real="$root/tests/data/real-scans"
pairs="$real/florida-example_02-front.png $real/florida-example_02-back.png"
for k in 0 2 4 6 8; do
    pairs="$pairs $real/nara-C04D01L-$((k + 1))-front.png $real/nara-C04D01L-$k-back.png"
done
best=""
for run in 1 2 3; do
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    "$root/build/shell/korvane-cli" read --duplex front-first $pairs -j 1 >/dev/null || true
    ms=$((($(date +%s%N) - start) / 1000000))
    [[ -z $best || $ms -lt $best ]] && best=$ms
done
echo "baseline: korvane-cli read --duplex of the six real pairs, one worker: $best ms (best of 3)"
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen
"$root/build/tests/qt/qt_tests" --gtest_filter='FlowTest.APairIsReadTogetherAndItsDisagreementsMarked' 2>/dev/null |
    grep '^pair:'
