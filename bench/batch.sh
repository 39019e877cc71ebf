#!/usr/bin/env bash
# Prints the figures of a batch: 2,000 one-card scans at 150 dpi made by `punch`, once as 1-bit BMP
# files and once as grey PNG files (black level 30, an off-white card, light falling off 5 %,
# sensor noise), read by `korvane-cli read --files-from LIST --jsonl --deck` with -j 1 and -j 2
# (cards per second, the speed-up, peak memory), beside the floor of the same files only decoded on
# the same worker pool (BatchDecode). The targets: -j 2 at least 1.8 x -j 1, the batch at least
# 0.7 x the floor's rate, peak memory below 64 MiB per worker and not growing with the number of
# pictures (a quarter of the box against all of it). Then duplex pairs: CARDS / 4 cards drawn on
# both sides (grey PNG, the front printed), read with --duplex front-first beside a one-sided batch
# of the same files, -j 2 both, in pictures per second; the target: duplex at least 0.45 x one-sided.
#   bench/batch.sh [CARDS]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
cards="${1:-2000}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target korvane-cli BatchDecode >/dev/null
cli="$root/build/shell/korvane-cli"
work=$(dirname "$(mktemp -u)")/korvane-batch-$cards
mkdir -p "$work"
cd "$work"
last=$(printf %04d "$cards")
if [[ ! -f box/c-$last.bmp || ! -f grey/c-$last.png ]]; then
    rm -rf box grey && mkdir box grey
    awk -v n="$cards" 'BEGIN { srand(3); c = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 +-*/=(),."
        for (i = 0; i < n; i++) { s = ""; l = 5 + int(rand() * 68)
            for (k = 0; k < l; k++) s = s substr(c, 1 + int(rand() * length(c)), 1); printf "%-72sB%07d\n", s, i + 1 } }' >deck.txt
    "$cli" punch -o box/c.bmp --dpi 150 --per-page 1 --deck deck.txt --code "$root/ibmkaart.txt"
    "$cli" punch -o grey/c.png --dpi 150 --per-page 1 --deck deck.txt --code "$root/ibmkaart.txt" \
        --format png --grey --black-level 30 --card-white 215 --falloff 0.05 --sensor-noise 2
fi
run() { # JOBS LIST -> "seconds peak-KiB"
    /usr/bin/time -f '%e %M' -o time.txt "$cli" read --files-from "$2" -j "$1" --code "$root/ibmkaart.txt" \
        --jsonl out.jsonl --deck out.deck --quiet >/dev/null || true
    cat time.txt
}
echo "batches of $cards one-card scans at 150 dpi (machine load before: $(cut -d' ' -f1-3 /proc/loadavg))"
for kind in box:bmp grey:png; do
    folder=${kind%%:*} extension=${kind##*:}
    ls "$folder"/*."$extension" | sort -V >list.txt
    head -$((cards / 4)) list.txt >quarter.txt
    read -r s1 m1 < <(run 1 list.txt)
    read -r s2 m2 < <(run 2 list.txt)
    read -r sq mq < <(run 1 quarter.txt)
    read -r n f1 < <("$root/build/bench/BatchDecode" list.txt 1)
    read -r n f2 < <("$root/build/bench/BatchDecode" list.txt 2)
    awk -v kind="$extension" -v c="$cards" -v s1="$s1" -v s2="$s2" -v f1="$f1" -v f2="$f2" -v m1="$m1" \
        -v m2="$m2" -v mq="$mq" -v q="$((cards / 4))" 'BEGIN {
        printf "%s files\n", toupper(kind)
        printf "  read -j 1: %7.1f cards/s  (%.2f s)  peak %5.1f MiB\n", c / s1, s1, m1 / 1024
        printf "  read -j 2: %7.1f cards/s  (%.2f s)  peak %5.1f MiB   speed-up %.2f (target >= 1.8)\n", c / s2, s2, m2 / 1024, s1 / s2
        printf "  decode-only floor -j 1: %7.1f pictures/s, -j 2: %7.1f pictures/s\n", c / f1, c / f2
        printf "  batch / floor: -j 1 %.2f, -j 2 %.2f (target >= 0.7)\n", f1 / s1, f2 / s2
        printf "  peak memory -j 1: %d pictures %.1f MiB, %d pictures %.1f MiB (per worker target < 64 MiB)\n", q, mq / 1024, c, m1 / 1024
    }'
done
pairs=$((cards / 4))
if [[ ! -f duplex/p-$(printf %04d "$pairs")-b-back.png ]]; then
    rm -rf duplex && mkdir duplex
    head -"$pairs" deck.txt >pairs.txt
    "$cli" punch -o duplex/p.png --dpi 150 --per-page 1 --deck pairs.txt --code "$root/ibmkaart.txt" --duplex \
        --format png --grey --black-level 30 --card-white 215 --falloff 0.05 --sensor-noise 2
fi
ls duplex/*.png | sort -V >pairs-list.txt
timed() { # ARGS... -> seconds
    /usr/bin/time -f '%e' -o time.txt "$cli" read --files-from pairs-list.txt -j 2 --code "$root/ibmkaart.txt" \
        --jsonl out.jsonl --deck out.deck --quiet "$@" >summary.txt 2>/dev/null || true
    tail -1 time.txt # after "Command exited with non-zero status N" when it did
}
one=$(timed)
two=$(timed --duplex front-first)
agree=$(awk -F' = ' '/sides agree/ { print $2 }' summary.txt)
pictures=$(wc -l <pairs-list.txt)
awk -v p="$pictures" -v one="$one" -v two="$two" -v agree="$agree" -v pairs="$pairs" 'BEGIN {
    printf "duplex grey PNG pairs, %d pictures (%d cards), -j 2\n", p, pairs
    printf "  one-sided batch: %7.1f pictures/s  (%.2f s)\n", p / one, one
    printf "  duplex batch:    %7.1f pictures/s  (%.2f s)   ratio %.2f (target >= 0.45); sides agree on %s of %d cards\n", p / two, two, one / two, agree, pairs
}'
echo "machine load after: $(cut -d' ' -f1-3 /proc/loadavg)"
