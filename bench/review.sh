#!/usr/bin/env bash
# Prints the figures of going through a box in the review window with the keyboard alone: keys per
# card that is right (target at most 3) and the milliseconds until the window is ready for the next
# card after a key (target 100 ms), from the offscreen window test driven as a person would, over
# a box of CARDS punched cards (default 300, three to a page, every eleventh doubtful, one face up,
# one with an unknown column). Beside it, the baseline of the same run: korvane-cli's whole read of
# one page of that box, which the window does again when it shows a card of a page not read ahead.
#   bench/review.sh [CARDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cards=${1:-300}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON -DKORVANE_TESTS=ON >/dev/null
cmake --build build --target qt_tests korvane-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/ibmkaart.txt" .
"$root/build/shell/korvane-cli" punch -o page.bmp --dpi 150 'CARD 1 OF THE BOX' 'CARD 2 OF THE BOX' \
    'CARD 3 OF THE BOX' >/dev/null
best=""
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$root/build/shell/korvane-cli" read page.bmp --all >/dev/null
    ms=$((($(date +%s%N) - start) / 1000000))
    [[ -z $best || $ms -lt $best ]] && best=$ms
done
echo "baseline: korvane-cli read of one page of three cards at 150 dpi: $best ms (best of 5)"
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen KORVANE_REVIEW_CARDS=$cards
"$root/build/tests/qt/qt_tests" --gtest_filter='ReviewTest.KeyboardThroughTheBoxIntoTheJournal' 2>/dev/null |
    grep '^review:'
