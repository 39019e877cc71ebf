#!/usr/bin/env bash
# Installs what is missing, builds korvane-cli and reads the bundled sample scans.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target korvane-cli >/dev/null
status=0
for scan in tests/data/real-scans/nara-C04D01L-0-back.bmp; do
    echo "== korvane-cli read $scan"
    ./build/shell/korvane-cli read "$scan" || status=$?
done
exit "$status"
