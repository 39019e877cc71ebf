#!/usr/bin/env bash
# Measures what `korvane-cli read --all` needs on pictures of a few sizes: clean punched pages, the
# same with speck noise, and pictures of nothing but noise (every pixel black or white at random,
# half of each) at A4 size. Prints seconds and peak resident memory per picture.
#   scripts/limits.sh [KORVANE_CLI]      (default: build/shell/korvane-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$(realpath "${1:-build/shell/korvane-cli}")"
if [[ ! -x "$cli" ]]; then
    echo "limits.sh: no korvane-cli at $cli; build it or name it" >&2
    exit 2
fi
bash scripts/deps.sh time
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp ibmkaart.txt "$work/"
cd "$work"

# le VALUE BYTES: the value as little-endian bytes, in printf escapes.
le() {
    local s="" i
    for ((i = 0; i < $2; i++)); do s+=$(printf '\\x%02x' $((($1 >> (8 * i)) & 255))); done
    printf '%s' "$s"
}
# header W H DPI: the 62 bytes before the rows of a 1-bit BMP, black first in the palette.
header() {
    local w=$1 h=$2 ppm=$((($3 * 10000 + 127) / 254))
    local data=$(((w + 31) / 32 * 4 * h))
    printf 'BM'
    printf "$(le $((62 + data)) 4)$(le 0 4)$(le 62 4)$(le 40 4)$(le "$w" 4)$(le "$h" 4)$(le 1 2)$(le 1 2)"
    printf "$(le 0 4)$(le $data 4)$(le $ppm 4)$(le $ppm 4)$(le 2 4)$(le 2 4)$(le 0 4)$(le 16777215 4)"
}
# noise W H DPI OUT: every pixel black or white at random.
noise() {
    { header "$1" "$2" "$3" && head -c $((($1 + 31) / 32 * 4 * $2)) /dev/urandom; } >"$4"
}
# checker W H DPI OUT: a checkerboard of single pixels, the most boundary a picture can have.
checker() {
    local stride=$((($1 + 31) / 32 * 4))
    printf '\xaa%.0s' $(seq "$stride") >pair
    printf '\x55%.0s' $(seq "$stride") >>pair
    { header "$1" "$2" "$3" && { while cat pair; do :; done | head -c $((stride * $2)) || true; }; } >"$4"
}

three=(--angle 2,-3,180 "FIRST CARD 0123456789" "SECOND CARD ABCDEFGHIJKLMNOPQRSTUVWXYZ" "THIRD CARD &-/.<(+|!")
"$cli" punch -o clean-300.bmp --dpi 300 "${three[@]}"
"$cli" punch -o clean-600.bmp --dpi 600 "${three[@]}"
"$cli" punch -o specks-300.bmp --dpi 300 --noise 0.05 "${three[@]}"
"$cli" punch -o specks-600.bmp --dpi 600 --noise 0.05 "${three[@]}"
noise 1240 1754 150 noise-a4-150.bmp
noise 2480 3508 300 noise-a4-300.bmp
noise 4960 7016 600 noise-a4-600.bmp
checker 2480 3508 300 checker-a4-300.bmp

printf '%-18s %11s %7s %8s %9s %8s  %s\n' picture pixels Mpx seconds "peak MB" "MB/Mpx" "text line"
for picture in clean-300 clean-600 specks-300 specks-600 noise-a4-150 noise-a4-300 noise-a4-600 checker-a4-300; do
    status=0
    /usr/bin/time -f '%e %M' -o time.txt "$cli" read "$picture.bmp" --all >out.txt 2>err.txt || status=$?
    read -r seconds kb < <(tail -n 1 time.txt)
    size=$(grep -E '^(Width|Height) = ' out.txt | awk '{print $3}' | paste -sd x)
    mpx=$(awk -v s="$size" 'BEGIN { split(s, d, "x"); printf "%.1f", d[1] * d[2] / 1e6 }')
    line=$(grep '^Edit1' out.txt | tail -n 1 | cut -c1-60)
    printf '%-18s %11s %7s %8s %9d %8.1f  %s (exit %d)\n' "$picture" "$size" "$mpx" "$seconds" $((kb / 1024)) \
        "$(awk -v k="$kb" -v m="$mpx" 'BEGIN { print k / 1024 / m }')" "$line" "$status"
done
