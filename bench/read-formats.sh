#!/usr/bin/env bash
# Prints the figures of reading one card scanned at 150 dpi as a whole `korvane-cli read --all`
# process: the 1-bit BMP file (the baseline, measured in the same run), the same card as a grey
# PNG file with the resolution in it, and as one without it (the scale estimated from the card).
# Medians of 11 runs each, in milliseconds (target for the grey PNG: under 10 ms).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target korvane-cli >/dev/null
cli=$(pwd)/build/shell/korvane-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp ibmkaart.txt "$work"
cd "$work"
text="BENCH 0123456789 GREY SCAN OF ONE CARD"
"$cli" punch -o card.bmp --dpi 150 --real "$text"
"$cli" punch -o grey.png --dpi 150 --real --format png --grey --black-level 30 --card-white 215 \
    --falloff 0.05 --sensor-noise 2 "$text"
"$cli" punch -o bare.png --dpi 150 --real --format png --grey --no-resolution "$text"
for scan in card.bmp grey.png bare.png; do
    times=()
    for run in $(seq 11); do
        start=$(date +%s%N)
        "$cli" read "$scan" --all >/dev/null
        times+=($((($(date +%s%N) - start) / 1000)))
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 6p)
    printf 'korvane-cli read %s --all: median %d.%03d ms of 11 runs\n' "$scan" $((median / 1000)) $((median % 1000))
done
