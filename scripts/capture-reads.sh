#!/usr/bin/env bash
# Captures what `korvane-cli read --all` prints (console and --json) for a set of scans, with the
# timing lines ("... = N ms") left out, so that two builds can be compared byte for byte:
#   scripts/capture-reads.sh KORVANE_CLI OUTDIR SCAN.bmp...
# Each scan gives OUTDIR/<name>.console (standard output and the exit status) and
# OUTDIR/<name>.json (standard output of --json and the exit status). Runs in a scratch directory
# holding a copy of the code table, so the log lands there.
set -euo pipefail
cli=$(realpath "$1")
out=$(realpath -m "$2")
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/ibmkaart.txt" "$work/"
for scan in "$@"; do
    path=$(realpath "$scan")
    name=$(basename "$(dirname "$path")")-$(basename "$path" .bmp)
    (cd "$work" && { "$cli" read "$path" --all 2>&1 || echo "exit $?"; } |
        grep -Ev ' = [0-9]+ ms$' >"$out/$name.console")
    (cd "$work" && { "$cli" read "$path" --all --json 2>/dev/null || echo "exit $?"; } >"$out/$name.json")
done
