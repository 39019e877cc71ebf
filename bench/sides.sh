#!/usr/bin/env bash
# The cost of reading a front beside the back of the same card: the real pairs of
# tests/data/real-scans, each side read by a whole `read --all` process (the front with
# --side front and with --side auto), the two taking turns, N rounds (default 20).
#
#   bench/sides.sh [CLI] [N]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$here/build/shell/korvane-cli}")
rounds=${2:-20}
scans=$here/tests/data/real-scans
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/ibmkaart.txt" "$work"
cd "$work"
now() { date +%s%N; }
printf '%-32s %10s %14s %14s %8s %8s\n' pair "back ms" "front ms" "auto ms" front/b auto/b
for pair in nara-C04D01L-0-back.png:nara-C04D01L-1-front.png nara-C04D01L-4-back.png:nara-C04D01L-5-front.png \
    florida-example_02-back.png:florida-example_02-front.png; do
    back=${pair%%:*} front=${pair##*:}
    tb=0 tf=0 ta=0
    for _ in $(seq "$rounds"); do
        s=$(now); "$cli" read --all "$scans/$back" >/dev/null; tb=$((tb + $(now) - s))
        s=$(now); "$cli" read --all --side front "$scans/$front" >/dev/null; tf=$((tf + $(now) - s))
        s=$(now); "$cli" read --all --side auto "$scans/$front" >/dev/null; ta=$((ta + $(now) - s))
    done
    awk -v p="${front%-front.png}" -v b=$tb -v f=$tf -v a=$ta -v n="$rounds" 'BEGIN {
        printf "%-32s %10.1f %14.1f %14.1f %8.2f %8.2f\n", p, b / n / 1e6, f / n / 1e6, a / n / 1e6, f / b, a / b }'
done
