#!/usr/bin/env bash
# Installs what is missing, builds everything (window, command line, tests, benchmarks) and runs
# every test; then builds and runs the tests once more under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# A compiler cache, when the machine has one, makes rebuilds in a new clone quick.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_GUI=ON -DKORVANE_TESTS=ON -DKORVANE_BENCH=ON "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The same tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer (no window), after
# the normal ones so that their failures show first. Any sanitizer report fails the test it is in.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_SANITIZE=ON -DKORVANE_GUI=OFF \
    -DKORVANE_TESTS=ON -DKORVANE_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$(nproc)"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
    ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
