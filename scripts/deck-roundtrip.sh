#!/usr/bin/env bash
# Round trip of a 200-card deck through scans: deck -> punch -> scans -> read -> deck, in each shipped
# code, at 150 and 300 dpi, for the text, cbn and bin layouts (the bytes must be the same) and for
# jsonl (its text80 and punches must be the deck's). The deck mixes text, sequence numbers in columns
# 73-80 and binary cards (random columns, lace) that a text deck writes raw.
#   bash scripts/deck-roundtrip.sh [CARDS]        (KORVANE_CLI: the program; default build/shell/korvane-cli)
set -euo pipefail
HERE="$(cd "$(dirname "$0")/.." && pwd)"
CLI="${KORVANE_CLI:-$HERE/build/shell/korvane-cli}"
CARDS="${1:-200}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
python3 - "$CARDS" > deck.txt <<'PY'
import random, sys
random.seed(7)
chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -/.$*,"  # in all three shipped codes
for i in range(int(sys.argv[1])):
    if i % 7 == 3:
        cols = [random.randrange(4096) for _ in range(80)]
        if i % 2:
            cols[random.randrange(80)] = 0o7777
        print("~raw" + "".join("%04o" % c for c in cols))
    else:
        text = "".join(random.choice(chars) for _ in range(random.randrange(72)))
        print(text.ljust(72) + "SEQ%05d" % (10 * (i + 1)))
PY
fail=0
for code in ibm029 ibm026-commercial ibm026-fortran; do
    C="--code $HERE/codes/$code.txt"
    for dpi in 150 300; do
        start=$(date +%s.%N)
        rm -f p-*.bmp
        "$CLI" punch -o p.bmp --dpi "$dpi" --per-page 20 --deck deck.txt --deck-format text $C
        for f in text cbn bin jsonl; do
            "$CLI" read p-*.bmp --deck "out.$f" --deck-format "$f" $C > /dev/null || true
        done
        result="text $(cmp -s deck.txt out.text && echo same || echo DIFFERENT)"
        for f in cbn bin; do
            rm -f q-*.bmp
            "$CLI" punch -o q.bmp --dpi "$dpi" --per-page 20 --deck "out.$f" --deck-format "$f" $C
            "$CLI" read q-*.bmp --deck "back.$f" --deck-format "$f" $C > /dev/null || true
            result+=", $f $(cmp -s "out.$f" "back.$f" && echo same || echo DIFFERENT)"
        done
        jsonl=$(python3 - <<'PY'
import json
deck = open("deck.txt").read().split("\n")[:-1]
cards = [json.loads(l) for l in open("out.jsonl")]
ok = len(cards) == len(deck)
for line, card in zip(deck, cards):
    if line.startswith("~raw"):
        ok &= "".join(card["punches"]) == line[4:]
    else:
        ok &= card["text80"] == line
print("same" if ok else "DIFFERENT")
PY
)
        result+=", jsonl $jsonl"
        secs=$(echo "$(date +%s.%N) - $start" | bc)
        printf '%-18s %3s dpi  %s cards: %s  (%.1f s)\n' "$code" "$dpi" "$CARDS" "$result" "$secs"
        [[ "$result" == *DIFFERENT* ]] && fail=1
    done
done
exit $fail
