#!/usr/bin/env bash
# Installs what is missing, builds everything (window, command line, tests, benchmarks) and runs
# every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON -DKORVANE_TESTS=ON -DKORVANE_BENCH=ON >/dev/null
cmake --build build -j"$(nproc)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build --output-on-failure -j"$(nproc)"
