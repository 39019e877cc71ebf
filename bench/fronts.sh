#!/usr/bin/env bash
# Reading fronts against reading backs, on cards drawn by `punch --front`.
#
#   bench/fronts.sh [CLI]      (CLI: the korvane-cli to measure, default build/shell/korvane-cli)
#
# Punches a corpus of single-card pictures: both card sizes (the model and --real) at 100, 150,
# 300 and 600 dpi, eight cards per size and resolution that vary the angle (upright, a few degrees,
# a half turn), clean or with --noise, with or without --scribble, as a 1-bit BMP or a grey PNG.
# Each card is drawn twice from the same text: as a front (read with `--side front`) and as a
# back (the baseline, read as backs are). Every picture is read by its own `CLI read --all --json`
# process. Prints per group (size and resolution), per kind of card and in total, for fronts and
# backs: cards, cards exact in all 80 columns, cards with wrong columns, wrong columns unflagged
# (a wrong column is flagged when it is in `unknownColumns` or `doubtfulColumns[].column`),
# pictures refused or without a card, and the seconds per card (whole process).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$here/build/shell/korvane-cli}")
[ -x "$cli" ] || { echo "fronts.sh: no korvane-cli at $cli" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/ibmkaart.txt" "$work"
cd "$work"

texts=(
    "FRONT 0001 THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG"
    "      DO 10 I = 1, 100"
    'PAY $1,234.50 TO (ACCOUNT 77-12/B) * 3 + 4 = 19'
    "0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "A"
    "C   SUBROUTINE READER(X, Y, N)                                          RDR00010"
    "'QUOTE' & <ANGLE> #12 @HOME % _ : ; !"
    "LAST CARD OF THE GROUP 99999999"
)
angles=(0 180 4.5 183)

# Manifest lines: id group kind side file
: >manifest
id=0
for size in model real; do
    sizeOption=""
    [ "$size" = real ] && sizeOption=--real
    for dpi in 100 150 300 600; do
        for k in 0 1 2 3 4 5 6 7; do
            angle=${angles[$((k % 4))]}
            noise=0
            [ $((k % 2)) = 1 ] && noise=0.002
            format=bmp
            look=()
            if [ $(((k / 2) % 2)) = 1 ]; then
                format=png
                look=(--format png --grey --falloff 0.05 --sensor-noise 2)
            fi
            scribble=()
            [ $((k / 4)) = 1 ] && scribble=(--scribble)
            text=${texts[$k]}
            kind="$format$([ "$noise" != 0 ] && echo ",noise")$([ ${#scribble[@]} = 1 ] && echo ",scribble")$(
                case $angle in 180 | 183) echo ",half-turn" ;; 0) ;; *) echo ",turned" ;; esac)"
            for side in front back; do
                id=$((id + 1))
                file=card-$id.$format
                sideOptions=()
                [ $side = front ] && sideOptions=(--front "${scribble[@]}")
                "$cli" punch -o "$file" --dpi $dpi $sizeOption --angle "$angle" --noise $noise \
                    --seed $id "${look[@]}" "${sideOptions[@]}" "$text" 2>/dev/null
                printf '%s\t%s\t%s\t%s\t%s\t%s\n' $id "$size ${dpi}dpi" "$kind" $side "$file" "$text" >>manifest
            done
        done
    done
done

# Each picture read by its own process, timed.
: >times
while IFS=$'\t' read -r id group kind side file text; do
    sideOption=()
    [ "$side" = front ] && sideOption=(--side front)
    start=$(date +%s%N)
    "$cli" read "$file" --all --json "${sideOption[@]}" >"$id.json" 2>/dev/null || true
    printf '%s\t%s\n' "$id" $((($(date +%s%N) - start) / 1000)) >>times
done <manifest

python3 - <<'EOF'
import json
from collections import defaultdict

times = dict(line.rstrip("\n").split("\t") for line in open("times"))
rows = []
for line in open("manifest"):
    id_, group, kind, side, file, text = line.rstrip("\n").split("\t")
    expected = text.ljust(80)[:80]
    try:
        cards = json.load(open(id_ + ".json")).get("cards", [])
    except (ValueError, OSError):
        cards = []
    row = {"group": group, "kind": kind, "side": side, "seconds": int(times[id_]) / 1e6,
           "refused": not cards, "exact": False, "wrong": 0, "unflagged": 0}
    if cards:
        card = cards[0]
        got = card.get("text80", "").ljust(80)[:80]
        flagged = set(card.get("unknownColumns", [])) | {d["column"] for d in card.get("doubtfulColumns", [])}
        wrong = [i + 1 for i in range(80) if got[i] != expected[i]]
        row["wrong"] = len(wrong)
        row["unflagged"] = len([c for c in wrong if c not in flagged])
        row["exact"] = not wrong and len(cards) == 1
    rows.append(row)

def line(label, chosen):
    n = len(chosen)
    if n == 0:
        return
    exact = sum(r["exact"] for r in chosen)
    wrongCards = sum(1 for r in chosen if r["wrong"] > 0)
    unflagged = sum(r["unflagged"] for r in chosen)
    refused = sum(r["refused"] for r in chosen)
    seconds = sum(r["seconds"] for r in chosen) / n
    print(f"{label:<34} {n:>5} {exact:>6} {wrongCards:>12} {unflagged:>10} {refused:>8} {seconds:>9.3f}")

header = f"{'':<34} {'cards':>5} {'exact':>6} {'wrong cards':>12} {'unflagged':>10} {'refused':>8} {'s/card':>9}"
for title, key in (("per group", "group"), ("per kind of card", "kind")):
    print(f"{title} (wrong columns unflagged; refused: no card read)")
    print(header)
    for value in dict.fromkeys(r[key] for r in rows):
        for side in ("front", "back"):
            line(f"{value} {side}", [r for r in rows if r[key] == value and r["side"] == side])
    print()
print("total")
print(header)
for side in ("front", "back"):
    line(f"all {side}s" + ("" if side == "front" else " (baseline)"), [r for r in rows if r["side"] == side])
EOF
