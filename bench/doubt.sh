#!/usr/bin/env bash
# Measures the doubt per column of a built korvane-cli against the texts the cards truly hold, and
# what the evidence pass costs against a baseline build. Builds nothing.
#   bench/doubt.sh CLI [BASELINE_CLI] [real-scans folder]
# Punches a corpus of noisy pages (100-300 dpi, both card sizes, speck noise up to the punch
# generator's limit, turned, and grey scans with blur and sensor noise for rough edges; each page
# an ordinary card, an uncut one and a face-up one) and reads them and the real scans. Prints per
# set: cards read, cards read right, right cards with a doubtful column (the false-alarm share),
# wrong columns, wrong columns in neither doubtfulColumns nor unknownColumns (must be 0) and the
# fit quality per hole of the cards read right (what --review weighs); with a
# baseline, the orientation verdicts that differ from it and the time of `read --all` of a 150 dpi
# card and of a 600 dpi page of three cards, median of 11 runs each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "$1")
base=${2:+$(realpath "$2")}
real=${3:-/work/shared/real-scans}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/ibmkaart.txt" .

# The corpus: "picture<TAB>read options<TAB>expected card texts separated by |" per line.
python3 - >corpus.tsv <<'EOF'
import random, sys
rng = random.Random(23)
chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 +-*/=(),.$'&"
def text():
    n = rng.randint(20, 80)
    return "".join(rng.choice(chars) for _ in range(n)).rstrip()
k = 0
def page(k, texts):
    with open(f"p{k}.txt", "w") as f:
        f.write("\n".join(texts) + "\n")
    return "|".join(texts)
for dpi in (100, 150, 200, 300):
    for real in ("", "--real"):
        for noise in (0.0, 0.05, 0.1):
            for angle in (0, 7, 183):
                k += 1
                texts = [text() for _ in range(3)]
                print(f"p{k}.bmp\tpunch --dpi {dpi} {real} --noise {noise} --seed {k} --angle {angle} "
                      f"--no-cut=2 --face-up=3 --file p{k}.txt\t" + page(k, texts))
for dpi in (150, 300):
    for blur in (1, 2):
        k += 1
        texts = [text() for _ in range(3)]
        print(f"p{k}.png\tpunch --dpi {dpi} --format png --blur {blur} --sensor-noise 25 --falloff 0.2 "
              f"--angle 3 --no-cut=2 --face-up=3 --file p{k}.txt\t" + page(k, texts))
# Heavy blur at 100 dpi: holes run into each other and columns read wrong.
for seed in (1, 2, 3, 4):
    for sensor in (40, 70):
        k += 1
        texts = [text() for _ in range(3)]
        print(f"p{k}.png\tpunch --dpi 100 --format png --blur 2 --sensor-noise {sensor} --seed {seed} "
              f"--angle {seed * 29} --no-cut=2 --face-up=3 --file p{k}.txt\t" + page(k, texts))
EOF
while IFS=$'\t' read -r pic options _; do
    # shellcheck disable=SC2086
    "$cli" $options -o "$pic" >/dev/null </dev/null
done <corpus.tsv
# Real scans: expected.tsv names each file and its 80 columns; fronts are read with --side front.
if [[ -f "$real/expected.tsv" ]]; then
    while IFS=$'\t' read -r file expected; do
        [[ -f "$real/$file" ]] || continue
        side="--side back" # a field of its own: read splits at a run of tabs
        [[ "$file" == *front* ]] && side="--side front"
        printf 'real:%s\t%s\t%s\n' "$real/$file" "$side" "$expected" >>corpus.tsv
    done <"$real/expected.tsv"
fi

read_json() { # CLI PICTURE OPTIONS -> the JSON of read --all
    local picture=${2#real:}
    # shellcheck disable=SC2086
    "$1" read "$picture" --all --json $3 2>/dev/null </dev/null || true
}
while IFS=$'\t' read -r pic options texts; do
    opts=""
    [[ "$pic" == real:* ]] && opts=$options
    read_json "$cli" "$pic" "$opts" >"$(basename "$pic").new.json"
    if [[ -n "$base" ]]; then read_json "$base" "$pic" "$opts" >"$(basename "$pic").base.json"; fi
done <corpus.tsv

python3 - <<'EOF'
import json, os
sets = {}
verdicts_differ = []
for line in open("corpus.tsv"):
    pic, options, texts = line.rstrip("\n").split("\t")
    expected = [t.ljust(80)[:80] for t in texts.split("|")]
    name = os.path.basename(pic)
    kind = ("real scans" if pic.startswith("real:") else "grey, heavy blur at 100 dpi" if "--blur 2 --sensor" in options
            and "--dpi 100" in options else "grey, rough edges" if pic.endswith(".png") else "noisy 1-bit")
    s = sets.setdefault(kind, dict(cards=0, right=0, alarms=0, wrong=0, unflagged=0, fits=[], notes=[]))
    def load(suffix):
        try:
            return json.load(open(name + suffix)).get("cards", [])
        except (OSError, ValueError):
            return None
    new = load(".new.json")
    if os.path.exists(name + ".base.json"):
        old = load(".base.json")
        vn = [c.get("orientation", {}).get("verdict") for c in new or []]
        vo = [c.get("orientation", {}).get("verdict") for c in old or []]
        if vn != vo:
            verdicts_differ.append(f"{name}: {vo} -> {vn}")
    for card in new or []:
        if "text80" not in card:
            continue
        s["cards"] += 1
        text = card["text80"]
        want = min(expected, key=lambda e: sum(a != b for a, b in zip(e, text)))
        wrong = [k + 1 for k in range(80) if text[k] != want[k]]
        flagged = {d["column"] for d in card.get("doubtfulColumns", [])} | set(card.get("unknownColumns", []))
        missed = [k for k in wrong if k not in flagged]
        s["wrong"] += len(wrong)
        s["unflagged"] += len(missed)
        if missed:
            s["notes"].append(f"   unflagged {name} contour {card['contour']}: columns {missed}")
        if not wrong:
            s["right"] += 1
            fit = card.get("fitQuality", {})
            fit = fit.get("last") if fit.get("last") is not None else fit.get("first", 0)
            # Per hole, as --review weighs it: the holes are about the punches counted.
            holes = sum(bin(int(p, 8)).count("1") for p in card.get("punches", []))
            s["fits"].append(fit * (holes + 1) / holes if holes else 100.0)
            if card.get("doubtfulColumns"):
                s["alarms"] += 1
                s["notes"].append(f"   false alarm {name} contour {card['contour']}: {card['doubtfulColumns']}")
for kind, s in sets.items():
    share = 100.0 * s["alarms"] / s["right"] if s["right"] else 0.0
    print(f"{kind}: {s['cards']} cards read, {s['right']} right, {s['alarms']} right with a doubtful column "
          f"({share:.1f} %), {s['wrong']} wrong columns, {s['unflagged']} of them unflagged; "
          f"fit per hole of the right cards {min(s['fits'], default=0):.1f} to {max(s['fits'], default=0):.1f} %")
    for note in s["notes"]:
        print(note)
if os.path.exists("p1.bmp.base.json"):
    print(f"orientation verdicts that differ from the baseline: {len(verdicts_differ)}")
    for d in verdicts_differ:
        print("   " + d)
EOF

[[ -n "$base" ]] || exit 0
"$cli" punch -o card150.bmp --dpi 150 "      DO 10 I = 1, 100 FROM A CARD AT 150 DPI 0123456789" >/dev/null
"$cli" punch -o page600.bmp --dpi 600 --file "$root/samples/page.txt" >/dev/null
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
for picture in card150.bmp page600.bmp; do
    for b in base new; do : >"times.$b"; done
    for run in $(seq 11); do
        for b in base new; do
            bin=$cli
            [[ $b == base ]] && bin=$base
            start=$(date +%s%N)
            "$bin" read "$picture" --all >/dev/null 2>&1 || true
            echo $((($(date +%s%N) - start) / 1000)) >>"times.$b"
        done
    done
    b=$(median <times.base)
    n=$(median <times.new)
    awk -v p="$picture" -v b="$b" -v n="$n" \
        'BEGIN {printf "read --all %s: baseline %.1f ms, this build %.1f ms (%+.1f %%)\n", p, b / 1000, n / 1000, 100 * (n - b) / b}'
    # Instructions, which the machine's load does not move (when valgrind is installed).
    if command -v valgrind >/dev/null; then
        count() { valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null | awk '/Collected/ {print $NF}'; }
        b=$(count "$base" read "$picture" --all)
        n=$(count "$cli" read "$picture" --all)
        awk -v p="$picture" -v b="$b" -v n="$n" \
            'BEGIN {printf "instructions of read --all %s: baseline %.2f M, this build %.2f M (%+.1f %%)\n", p, b / 1e6, n / 1e6, 100 * (n - b) / b}'
    fi
done
