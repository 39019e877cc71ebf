#!/usr/bin/env bash
# Prints the figures of opening a 600 dpi grey PNG page of three cards (about 4700 x 6400 pixels)
# in the window, from the file chosen until the picture with its cards found is painted (OpenBench:
# the real main window on the offscreen platform), beside the baseline of the same run: korvane-cli's
# whole read of the same file (`read --all`). Medians of RUNS runs each (default 5), in
# milliseconds, and the first Open of a new window apart (it also pays for the memory the window
# takes the first time); the target is the window within 1.5 times the baseline.
#   bench/open.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${1:-5}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target korvane-cli OpenBench >/dev/null
cli=$root/build/shell/korvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp ibmkaart.txt "$work"
cd "$work"
"$cli" punch -o page.png --format png --grey --dpi 600 --per-page 3 --real \
    'OPEN 600 DPI GREY PAGE CARD ONE' 'OPEN 600 DPI GREY PAGE CARD TWO' 'OPEN 600 DPI GREY PAGE CARD THREE' \
    >/dev/null
page=page-0001.png
size=$(file "$page" | grep -o '[0-9]* x [0-9]*')
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
cli_ms=$(for run in $(seq "$runs"); do
    start=$(date +%s%N)
    "$cli" read "$page" --all >/dev/null
    echo $((($(date +%s%N) - start) / 1000000))
done | median)
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen
"$root/build/bench/OpenBench" "$page" "$runs" 2>/dev/null | awk '{print $2}' >opens.txt
first_ms=$(head -1 opens.txt)
open_ms=$(median <opens.txt)
echo "page: $size pixels, grey PNG, 600 dpi, 3 cards"
echo "baseline: korvane-cli read $page --all: median $cli_ms ms of $runs runs"
echo "window: Open until the picture with its cards is painted: first in a new window $first_ms ms," \
    "median $open_ms ms of $runs runs"
awk -v f="$first_ms" -v w="$open_ms" -v c="$cli_ms" \
    'BEGIN {printf "window / baseline: first %.2f, median %.2f (target at most 1.5)\n", f / c, w / c}'
