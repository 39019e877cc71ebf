#!/usr/bin/env bash
# Runs korvane-cli of two builds over the same inputs and compares what they print and write:
# console lines (timings masked), text lines, exit statuses, --json, decks in every layout and a
# batch journal. For reorganisations that must not change any output.
#   bash scripts/compare-outputs.sh OLD/korvane-cli NEW/korvane-cli
set -uo pipefail
old=$(realpath "$1"); new=$(realpath "$2")
root=$(cd "$(dirname "$0")/.." && pwd)
real="$root/../shared/real-scans"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cp "$root/ibmkaart.txt" "$work/"
cd "$work"
# Inputs beyond the samples: punched pictures of other formats and a page at 600 dpi.
"$old" punch -o page600.bmp --dpi 600 --file "$root/samples/page.txt" >/dev/null
"$old" punch -o noisy.bmp --dpi 200 --noise 0.02 --seed 4 --angle 7 "NOISY CARD" "SECOND" >/dev/null
"$old" punch -o grey.png --format png --dpi 150 --black-level 40 --card-white 200 --falloff 0.1 --sensor-noise 2 "GREY PNG" >/dev/null
"$old" punch -o grey.jpg --format jpeg --dpi 200 --angle 3 "JPEG CARD" >/dev/null
"$old" punch -o multi.tiff --format tiff --dpi 150 "TIFF ONE" "TIFF TWO" >/dev/null
"$old" punch -o faceup.bmp --dpi 150 --face-up=2 --no-cut=3 "ONE" "TWO" "THREE" >/dev/null
"$old" punch -o backlit.png --format png --grey --dpi 150 "BACKLIT" >/dev/null
printf 'garbage' > broken.png
inputs=("$root"/samples/*.bmp "$root"/tests/data/*.bmp page600.bmp noisy.bmp grey.png grey.jpg multi.tiff faceup.bmp
        backlit.png broken.png missing.bmp)
[[ -d $real ]] && inputs+=("$real"/*.png "$real"/*.bmp "$real"/*.jpg)
mask() { sed -E 's/= [0-9]+ ms/= N ms/; s/"(elapsed|seconds|ms)":[ ]*[0-9.e+-]+/"\1":T/g'; }
run() { # NAME ARGS...: both builds, outputs into old/ and new/
    local name=$1; shift
    for side in old new; do
        mkdir -p "$side"; local bin=${!side}
        (cd "$side" && cp -n ../ibmkaart.txt . && "$bin" "$@" >out 2>err; echo "exit $?" >>out
         mask <out >"$name.out"; mask <err >"$name.err"; rm -f out err)
    done
    count=$((count + 1))
    if ! diff -q "old/$name.out" "new/$name.out" >/dev/null || ! diff -q "old/$name.err" "new/$name.err" >/dev/null; then
        echo "DIFFERS: $name ($*)"; diff "old/$name.out" "new/$name.out" | head -5; diff "old/$name.err" "new/$name.err" | head -5
        differ=$((differ + 1))
    fi
}
count=0; differ=0; i=0
for f in "${inputs[@]}"; do
    p=$f; [[ $p = /* ]] || p="$work/$p"
    i=$((i + 1))
    run "all$i" read "$p" --all
    run "json$i" read "$p" --all --json
    run "front$i" read "$p" --all --side front --json
    run "light$i" read "$p" --all --polarity light-holes
done
run at read "$root/samples/page.bmp" --at 600,430
run atoff read "$root/samples/page.bmp" --at 1,1
run single read "$root/samples/card-01.bmp"
run thr read "$work/grey.png" --all --threshold 90
run sauvola read "$work/grey.png" --all --binarize sauvola
run dpi read "$work/grey.png" --all --dpi 150 --json
for fmt in text cbn bin jsonl; do
    run "deck-$fmt" read "$root"/samples/*.bmp "$work/faceup.bmp" --deck "deck.$fmt" --deck-format "$fmt"
    count=$((count + 1))
    cmp -s "old/deck.$fmt" "new/deck.$fmt" || { echo "DIFFERS: deck bytes $fmt"; differ=$((differ + 1)); }
done
mkdir box; cp "$root"/samples/*.bmp "$work"/*.png "$work"/*.jpg "$work"/faceup.bmp "$work"/noisy.bmp box/ 2>/dev/null
run batch read "$work/box" -j 2 --jsonl batch.jsonl --summary summary.json --review review --quiet
count=$((count + 1))
# The journal's cards: which file, which card, text80, punches, message and the orientation verdict
# (a string in older journals, an object now).
cards() {
    python3 -c 'import json,sys
for l in open(sys.argv[1]):
    r=json.loads(l); o=r.get("orientation"); o=o.get("verdict") if isinstance(o,dict) else o
    print(r.get("file"),r.get("card"),r.get("text80"),r.get("punches"),r.get("message"),r.get("reason"),o,r.get("centre"),r.get("unknownColumns"),r.get("fitQuality"))' "$1"
}
cmp -s <(cards old/batch.jsonl) <(cards new/batch.jsonl) || { echo "DIFFERS: journal"; differ=$((differ + 1)); }
count=$((count + 1))
cmp -s <(mask <old/summary.json) <(mask <new/summary.json) || { echo "DIFFERS: summary"; differ=$((differ + 1)); }
for f in old/review/*; do
    count=$((count + 1))
    cmp -s "$f" "new/review/${f#old/review/}" || { echo "DIFFERS: review picture ${f#old/review/}"; differ=$((differ + 1)); }
done
echo "compared $count outputs: $differ differ"
[[ $differ -eq 0 ]]
