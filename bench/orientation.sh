#!/usr/bin/env bash
# Orientation under heavy specks and worn edges: punches a harsh corpus (speck noise at the top of
# its range, worn card edges, 100 to 300 dpi, model and real card size, 1-bit BMPs and blurred grey
# PNGs with sensor noise), each page with two ordinary cards, a blank card, a face-up card, an uncut
# card and a blank uncut card at random angles, reads it with each korvane-cli given and prints per
# resolution and noise level: cards, exact texts, verdicts, face-up and uncut verdicts right/wrong,
# the lowest lead of a real cut (its score over the best other placement's) and the false-alarm
# share (cut cards lying back up whose text is right, or would be, but shown red or not read).
#   bash bench/orientation.sh NEW/korvane-cli [BASELINE/korvane-cli] [SEEDS]
# The corpus is punched with the first program (--rough-edges is needed); SEEDS (default 2) pages
# per setting.
set -euo pipefail
new=$(realpath "$1"); base=${2:+$(realpath "$2")}; seeds=${3:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
# ORIENTATION_CORPUS=DIR keeps the corpus there and reuses the pages it already holds.
if [[ -n ${ORIENTATION_CORPUS:-} ]]; then
    work=$(realpath -m "$ORIENTATION_CORPUS"); mkdir -p "$work"
else
    work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
fi
cp "$root/ibmkaart.txt" "$work/"; cd "$work"; rm -f orientation.err
texts=("SUBROUTINE SPLINE(X, Y, N)" "      GO TO (10, 20, 30), K" "" "FACE UP, SO REFUSED"
       "NO CUT BUT LETTERS" "")
truth="ordinary ordinary blank face-up uncut uncut-blank"
pages=0
for dpi in 100 150 200 300; do
    for noise in 0.05 0.1; do
        for size in model real; do
            for look in bmp png; do
                for ((seed = 1; seed <= seeds; seed++)); do
                    name="p-$dpi-$noise-$size-$look-$seed.$look"
                    angles=$(python3 -c "import random; r=random.Random('$name'); print(','.join(str(round(r.uniform(-180,180),1)) for _ in range(6)))")
                    extra=(); [[ $size = real ]] && extra+=(--real)
                    [[ $look = png ]] && extra+=(--format png --blur 1 --sensor-noise 20)
                    rough=$(python3 -c "print([0.5, 0.8][$seed % 2])")
                    pages=$((pages + 1))
                    [[ -e $name ]] && continue
                    nice "$new" punch -o "$name" --dpi "$dpi" --noise "$noise" --seed "$seed" --rough-edges "$rough" \
                        --angle "$angles" --face-up=4 --no-cut=5,6 "${extra[@]}" "${texts[@]}" >/dev/null
                done
            done
        done
    done
done
cat >measure.py <<'PY'
import json, sys
label, truth = sys.argv[1], sys.argv[2].split()
texts = [t.ljust(72) for t in sys.argv[3:]]
rows = {}
for line in sys.stdin:
    name, _, body = line.rstrip("\n").partition("\t")
    _, dpi, noise = name.split("-")[:3]
    r = rows.setdefault((int(dpi), float(noise)), dict(cards=0, lost=0, exact=0, settled=0, punches=0,
        uncertain=0, symmetric=0, fu_ok=0, fu_bad=0, uc_ok=0, uc_bad=0, lead=None, alarms=0, base=0))
    cards = json.loads(body).get("cards", []) if body else []
    r["cards"] += len(truth)
    if len(cards) != len(truth):
        r["lost"] += len(truth)
        continue
    middle = lambda c: sum(p[1] for p in c["outline"]) / max(1, len(c["outline"]))
    for kind, text, card in zip(truth, texts, sorted(cards, key=middle)):
        o = card.get("orientation", {})
        verdict = o.get("verdict", "")
        shown = card.get("text")
        right = shown == text
        r["exact"] += right
        r["settled"] += verdict == "settled"
        r["punches"] += verdict == "from-punches"
        r["uncertain"] += verdict == "uncertain"
        r["symmetric"] += verdict == "symmetric"
        if kind == "face-up":
            r["fu_ok" if verdict == "face-up" else "fu_bad"] += 1
        elif kind.startswith("uncut"):
            ok = verdict in ("from-punches", "uncertain", "symmetric") and (shown is None or right)
            r["uc_ok" if ok else "uc_bad"] += 1
        else:
            lead = o.get("score", 0) / max(o.get("alternative", 0), 1e-9)
            r["lead"] = lead if r["lead"] is None else min(r["lead"], lead)
            if right or verdict == "uncertain":
                doubtful = [d for d in card.get("doubtfulColumns", []) if d["column"] <= 72]
                sound = verdict == "settled" and right and not card.get("unknownColumns") and not doubtful
                r["base"] += 1
                r["alarms"] += not sound
print("==", label)
head = ("dpi", "noise", "cards", "lost", "exact", "settled", "punches", "uncert", "symm", "faceup ok/bad",
        "uncut ok/bad", "min lead", "false alarms")
widths = (4, 5, 5, 4, 5, 7, 7, 6, 4, 13, 12, 8, 14)
line = lambda values: " ".join(str(v).rjust(w) for v, w in zip(values, widths))
print(line(head))
base = alarms = 0
for (dpi, noise), r in sorted(rows.items()):
    base += r["base"]
    alarms += r["alarms"]
    lead = "-" if r["lead"] is None else "%.2f" % r["lead"]
    share = "%d/%d %.1f%%" % (r["alarms"], r["base"], 100.0 * r["alarms"] / max(1, r["base"]))
    print(line((dpi, noise, r["cards"], r["lost"], r["exact"], r["settled"], r["punches"], r["uncertain"],
                r["symmetric"], "%d/%d" % (r["fu_ok"], r["fu_bad"]), "%d/%d" % (r["uc_ok"], r["uc_bad"]), lead,
                share)))
print("all: %d of %d correctly read cut cards flagged (%.1f %%)" % (alarms, base, 100.0 * alarms / max(1, base)))
PY
measure() { # CLI LABEL
    for f in p-*; do
        printf '%s\t' "$f"; nice "$1" read "$f" --all --json 2>>orientation.err | tr -d '\n' || true; echo
    done | python3 measure.py "$2" "$truth" "${texts[@]}"
}
echo "corpus: $pages pages of 6 cards"
[[ -n $base ]] && measure "$base" "baseline $2"
measure "$new" "$1"
