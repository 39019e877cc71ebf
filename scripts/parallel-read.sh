#!/usr/bin/env bash
# Reads a long list of pictures on several machines with GNU parallel: the list is cut into shards
# of consecutive pictures, each shard is one `korvane-cli read --files-from SHARD` batch on one of
# the ssh logins, and the shards' outputs are joined in list order into one output of each kind,
# byte for byte what a single `korvane-cli read --files-from LIST` would have written.
#
#   scripts/parallel-read.sh --files-from LIST --jsonl OUT.jsonl [--deck OUT --deck-format FMT]
#                            [--summary OUT.json] [--sshlogin LOGINS] [--shard-size N]
#                            [--split-only | --merge-only] [-- MORE korvane-cli read OPTIONS]
#
# --sshlogin takes GNU parallel's form ("host1,4/host2,:"; ":" is this machine; default ":"). Every
# machine must see the pictures, the shards and the outputs under the same path as this one (a
# shared file system); each job runs in the current folder and uses every core of its machine.
# The work lives in OUT.jsonl.shards/ (the shard lists, each shard's outputs, GNU parallel's job
# log), so the same command started again after a crash, a reboot or a killed job carries on: GNU
# parallel starts the jobs that did not end well again and each job resumes its own output. The
# joined outputs are written whole at the end. --split-only cuts the list and stops (for a cluster
# scheduler to run the shards, see docs/batch.md); --merge-only joins shards read elsewhere.
#
# Exit status: that of a single run (0 every card read completely, 1 some card not, 2 a picture
# refused), 3 when a shard has not finished (nothing joined), 64 for a usage error.
# KORVANE_CLI names the program to run (default: build/shell/korvane-cli of this tree if it is
# there, else korvane-cli on the PATH).
set -euo pipefail

usage() {
    sed -n '7,10p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 64
}
fail() {
    echo "parallel-read.sh: $*" >&2
    exit "${2:-3}"
}

LIST="" JSONL="" DECK="" FORMAT="" SUMMARY="" LOGINS=":" SHARD_SIZE=100 MODE=run
EXTRA=()
while (($#)); do
    case "$1" in
    --files-from) LIST="${2:?}"; shift 2 ;;
    --jsonl) JSONL="${2:?}"; shift 2 ;;
    --deck) DECK="${2:?}"; shift 2 ;;
    --deck-format) FORMAT="${2:?}"; shift 2 ;;
    --summary) SUMMARY="${2:?}"; shift 2 ;;
    --sshlogin | -S) LOGINS="${2:?}"; shift 2 ;;
    --shard-size) SHARD_SIZE="${2:?}"; shift 2 ;;
    --split-only) MODE=split; shift ;;
    --merge-only) MODE=merge; shift ;;
    --) shift; EXTRA=("$@"); break ;;
    -h | --help) usage ;;
    *) echo "parallel-read.sh: unknown option $1" >&2; usage ;;
    esac
done
[[ -n "$LIST" && -n "$JSONL" ]] || usage
[[ -z "$DECK" || -n "$FORMAT" ]] || fail "--deck needs --deck-format" 64
[[ "$SHARD_SIZE" =~ ^[1-9][0-9]*$ ]] || fail "--shard-size must be a whole number of pictures" 64
[[ "$LIST" == "-" || -r "$LIST" ]] || fail "$LIST: cannot open the list of pictures" 64

HERE="$(cd "$(dirname "$0")/.." && pwd)"
CLI="${KORVANE_CLI:-}"
if [[ -z "$CLI" ]]; then
    CLI="$HERE/build/shell/korvane-cli"
    [[ -x "$CLI" ]] || CLI=korvane-cli
fi
WORK="$JSONL.shards"

# ---- Split: the list once, into shard-00000, shard-00001, ... of SHARD_SIZE pictures each --------
split_list() {
    mkdir -p "$WORK"
    local list
    list="$(mktemp "$WORK/list.XXXXXX")"
    if [[ "$LIST" == "-" ]]; then cat >"$list"; else cat -- "$LIST" >"$list"; fi
    sed -i -e 's/\r$//' -e '/^$/d' "$list" # as korvane-cli reads a list: CR LF, empty lines skipped
    if [[ -e "$WORK/list" ]]; then
        cmp -s "$list" "$WORK/list" || {
            rm -f "$list"
            fail "$WORK holds the shards of another list; remove it to start afresh" 64
        }
        rm -f "$list"
        return
    fi
    [[ -s "$list" ]] || { rm -f "$list"; fail "$LIST: no pictures in the list" 64; }
    split -l "$SHARD_SIZE" -d -a 5 "$list" "$WORK/shard-"
    mv "$list" "$WORK/list" # last: a list in place means the shards are complete
}

shards() { find "$WORK" -maxdepth 1 -name 'shard-[0-9][0-9][0-9][0-9][0-9]' | sort; }

# ---- Run: one korvane-cli batch per shard, on the logins, resumable ------------------------------
run_shards() {
    command -v parallel >/dev/null || fail "GNU parallel is not installed (bash scripts/deps.sh installs it)"
    local read=("$CLI" read --files-from {} --jsonl {}.jsonl --summary {}.summary.json --resume --quiet)
    [[ -z "$DECK" ]] || read+=(--deck {}.deck --deck-format "$FORMAT")
    # --resume-failed: jobs in the log that ended well are skipped, the others run again and
    # resume their output. Exit statuses 1 and 2 are finished batches (cards for review, refused
    # pictures); the check below looks at the outputs, not at these statuses.
    shards | parallel --sshlogin "$LOGINS" --workdir "$PWD" --joblog "$WORK/joblog" --resume-failed \
        --halt never -j1 -q "${read[@]}" "${EXTRA[@]}" >/dev/null || true
}

# ---- Merge: the shards' outputs in list order, each written whole ------------------------------
write_whole() { # TARGET, then the files to join
    local target="$1" temporary
    shift
    temporary="$(mktemp "$target.tmp.XXXXXX")"
    cat -- "$@" >"$temporary"
    sync "$temporary" 2>/dev/null || true
    mv -f "$temporary" "$target"
}

merge_shards() {
    [[ -e "$WORK/list" ]] || fail "$WORK holds no shards: split the list first"
    local all=() missing=() shard
    mapfile -t all < <(shards)
    for shard in "${all[@]}"; do
        for output in "$shard.jsonl" "$shard.summary.json" ${DECK:+"$shard.deck"}; do
            [[ -e "$output" ]] || missing+=("$output")
        done
    done
    ((${#missing[@]} == 0)) || fail "not finished: ${missing[*]}; run the same command again"
    write_whole "$JSONL" "${all[@]/%/.jsonl}"
    [[ -z "$DECK" ]] || write_whole "$DECK" "${all[@]/%/.deck}"
    # The tally of all shards, in the form of one run's summary.
    local summed
    summed="$(mktemp "$WORK/summary.XXXXXX")"
    jq -S -s '
        def total(k): map(.[k]) | add;
        { pictures: total("pictures"), picturesRead: total("picturesRead"), cards: total("cards"),
          cardsWithUnknownColumns: total("cardsWithUnknownColumns"),
          cardsOrientationNotSettled: total("cardsOrientationNotSettled"),
          cardsBelowFitQuality: total("cardsBelowFitQuality"),
          cardsWithDoubtfulColumns: total("cardsWithDoubtfulColumns"), cardsNeedingReview: total("cardsNeedingReview"),
          refusedPictures: total("refusedPictures"),
          refusals: (map(.refusals | to_entries) | add | group_by(.key)
                     | map({key: .[0].key, value: (map(.value) | add)}) | from_entries),
          exitStatus: (map(.exitStatus) | max) }' "${all[@]/%/.summary.json}" >"$summed"
    [[ -z "$SUMMARY" ]] || write_whole "$SUMMARY" "$summed"
    # The summary lines of one run over the whole list (the shards' own are not shown).
    jq -r '"Pictures read = \(.picturesRead)", "Cards read = \(.cards)",
        "Cards with unknown columns = \(.cardsWithUnknownColumns)",
        "Cards whose orientation was not settled = \(.cardsOrientationNotSettled)",
        "Cards below the fit-quality threshold = \(.cardsBelowFitQuality)",
        "Refused pictures = \(.refusedPictures)",
        (.refusals | to_entries[] | "   \(.value) x \(.key)"),
        "Cards with doubtful columns = \(.cardsWithDoubtfulColumns)"' "$summed"
    local status
    status="$(jq '.exitStatus' "$summed")"
    rm -f "$summed"
    return "$status"
}

case "$MODE" in
split) split_list; shards ;;
merge) merge_shards ;;
run) split_list; run_shards; merge_shards ;;
esac
