#!/usr/bin/env bash
# scripts/parallel-read.sh on this machine (--sshlogin :, several shards) against one batch run
# over the whole list: the same JSON lines, deck, summary and summary lines, the same exit status, and
# again when the command is started a second time over the finished work.
# Usage: parallel-read-test.sh FAKE_READER SOURCE_DIR
set -euo pipefail
FAKE="$1" SOURCE="$2"
SCRATCH="$(mktemp -d)"
trap 'rm -rf "$SCRATCH"' EXIT
cd "$SCRATCH"
mkdir box
for i in $(seq 1 23); do
    case $((i % 9)) in
    0) printf 'refuse Not a bitmap file\n' ;;
    4) printf 'cards\n?CARD %s.0\n!CARD %s.1\n' "$i" "$i" ;;
    *) printf 'cards\nCARD %s\n' "$i" ;;
    esac >"box/card$i.bmp"
    echo "box/card$i.bmp"
done >list.txt

status() { # runs the command, its standard output to the file named first; prints its exit status
    local out="$1"
    shift
    "$@" >"$out" && echo 0 || echo $?
}
single=$(status single.out "$FAKE" read --files-from list.txt --jsonl single.jsonl --deck single.deck --deck-format text \
    --summary single.json -j 2 --quiet)
[[ "$single" == 2 ]] || { echo "the single run ended with $single, not 2"; exit 1; }

for round in first second; do
    sharded=$(status par.out env KORVANE_CLI="$FAKE" bash "$SOURCE/scripts/parallel-read.sh" --files-from list.txt \
        --jsonl par.jsonl --deck par.deck --deck-format text --summary par.json --sshlogin : --shard-size 5 -- -j 1)
    [[ "$sharded" == "$single" ]] || { echo "$round sharded run ended with $sharded, the single run with $single"; exit 1; }
    shards=$(find par.jsonl.shards -name 'shard-?????' | wc -l)
    [[ "$shards" == 5 ]] || { echo "$shards shards instead of 5"; exit 1; }
    for kind in jsonl deck json out; do
        cmp "single.$kind" "par.$kind" || { echo "$round sharded run: par.$kind differs from single.$kind"; exit 1; }
    done
done
echo "sharded and single runs agree"
