#!/usr/bin/env bash
# Prints, for pages of many cards, the time of Open + Process (`korvane-cli read PAGE`) beside the
# time of reading every card (`korvane-cli read PAGE --all`), medians of five runs, and their
# ratio; the target is at most 1.5. The pages, made by `korvane-cli punch`:
#   many-65:   575 cards of random text at 65 dpi with 10 % of the pixels flipped as specks;
#   many-40:   900 cards at 40 dpi with 5 % specks;
#   tiny-10:   3000 cards at 10 dpi, tiny card-shaped blobs.
#   bench/readall.sh [OTHER_KORVANE_CLI]   also times another build (say, an older one) on the same pages
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target korvane-cli >/dev/null
cli="$root/build/shell/korvane-cli"
work=$(dirname "$(mktemp -u)")/korvane-readall
mkdir -p "$work"
cd "$work"
cp "$root/ibmkaart.txt" .
lines() { # N lines of random text from the table's characters, seeded
    awk -v n="$1" -v seed="$2" 'BEGIN { srand(seed); c = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 +-*/=(),."
        for (i = 0; i < n; i++) { s = ""; l = 5 + int(rand() * 68)
            for (k = 0; k < l; k++) s = s substr(c, 1 + int(rand() * length(c)), 1); print s } }'
}
[[ -f many-65.bmp ]] || { lines 575 1 >many-65.txt; "$cli" punch -o many-65.bmp --dpi 65 --noise 0.1 --file many-65.txt; }
[[ -f many-40.bmp ]] || { lines 900 2 >many-40.txt; "$cli" punch -o many-40.bmp --dpi 40 --noise 0.05 --file many-40.txt; }
[[ -f tiny-10.bmp ]] || { awk 'BEGIN { for (i = 0; i < 3000; i++) print "A" }' >tiny-10.txt; "$cli" punch -o tiny-10.bmp --dpi 10 --file tiny-10.txt; }
# Open + Process and read --all taking turns, five times each, so that the drift of a shared
# machine falls on both alike; the medians in milliseconds.
medians() {
    local process=() all=() start
    for run in 1 2 3 4 5; do
        start=$(date +%s%N)
        "$1" read "$2" >/dev/null 2>&1 || true
        process+=($((($(date +%s%N) - start) / 1000000)))
        start=$(date +%s%N)
        "$1" read "$2" --all >/dev/null 2>&1 || true
        all+=($((($(date +%s%N) - start) / 1000000)))
    done
    echo "$(printf '%s\n' "${process[@]}" | sort -n | sed -n 3p) $(printf '%s\n' "${all[@]}" | sort -n | sed -n 3p)"
}
for program in "$cli" "$@"; do
    for page in many-65 many-40 tiny-10; do
        read -r process all < <(medians "$program" "$page.bmp")
        echo "$program $page: Open + Process $process ms, read --all $all ms," \
             "ratio $(awk -v a="$all" -v p="$process" 'BEGIN { printf "%.2f", a / p }')"
    done
done
