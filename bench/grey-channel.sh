#!/usr/bin/env bash
# Prints how well grey from colour separates card from backing and holes, by the brightest channel
# and by the luminance, on simulated colour scans (the measurement behind the decoder's choice).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_BENCH=ON >/dev/null
cmake --build build --target GreyChannel >/dev/null
./build/bench/GreyChannel
