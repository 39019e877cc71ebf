#!/usr/bin/env bash
# Remakes the sample scans in samples/ from the texts beside them with `korvane-cli punch`; the same
# korvane-cli and code table give the same bytes. Run it after changing the renderer or the table.
#   scripts/make-samples.sh [KORVANE_CLI]      (default: build/shell/korvane-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build/shell/korvane-cli}"
if [[ ! -x "$cli" ]]; then
    echo "make-samples.sh: no korvane-cli at $cli; build it or name it" >&2
    exit 2
fi
# Punch reads ibmkaart.txt from the current directory: the repository root.
punch() { "$cli" punch "$@"; }
# One card of the card model's size at 200 dpi, all 62 characters in columns 1 to 72.
punch -o samples/card-01.bmp --dpi 200 --file samples/card-01.txt
# One card of a real card's size at 150 dpi, turned a little, with specks of noise.
punch -o samples/card-02.bmp --dpi 150 --real --angle 1.2 --noise 0.0005 --seed 7 --file samples/card-02.txt
# A page of three cards at 150 dpi, the last one upside down.
punch -o samples/page.bmp --dpi 150 --angle 2.5,-4,180 --file samples/page.txt
