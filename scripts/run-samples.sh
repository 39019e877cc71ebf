#!/usr/bin/env bash
# Installs what is missing, builds korvane-cli and reads every card of the bundled sample scans.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target korvane-cli >/dev/null
status=0
# ibmkaart.txt is read from the current directory: the repository root.
for scan in samples/page.bmp samples/card-01.bmp samples/card-02.bmp tests/data/real-scans/nara-C04D01L-0-back.bmp; do
    echo "== korvane-cli read $scan --all"
    ./build/shell/korvane-cli read "$scan" --all || status=$?
done
exit "$status"
