#!/usr/bin/env bash
# Prints how many punched holes the hole model accepts with the fixed half-pixel margin and with
# the margin that grows with the scale, on rendered cards from 100 to 600 dpi and on the real scans.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target HoleAcceptance >/dev/null
./build/bench/HoleAcceptance tests/data/real-scans/*.bmp
