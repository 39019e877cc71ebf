#!/bin/sh
# Builds the trace benchmark and prints, for each picture, its size in pixels, its pieces and
# contours, and the median time of TraceContours (both passes, linking, numbering), also per pixel
# and per piece.
#
#   bench/trace.sh [repetitions]        (default 15; BUILD_DIR defaults to build-bench)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
repetitions=${1:-15}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVANE_GUI=OFF -DKORVANE_TESTS=OFF \
    -DKORVANE_BENCH=ON >/dev/null
cmake --build "$build" --target TraceBench -j2 >/dev/null

json=$(mktemp)
trap 'rm -f "$json"' EXIT
"$build/bench/TraceBench" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
    --benchmark_format=json >"$json" 2>/dev/null

python3 - "$json" "$repetitions" <<'EOF'
import json, sys

with open(sys.argv[1]) as f:
    runs = [b for b in json.load(f)["benchmarks"] if b.get("aggregate_name") == "median"]

kinds = {"BM_TraceContours": "", "BM_TraceContoursFirstTime": " (first trace)",
         "BM_TraceContoursWindowPump": " (window pump)"}
print(f"TraceContours, median of {sys.argv[2]} runs, wall clock, one thread")
print(f"{'picture':<32}{'pixels':>12}{'pieces':>11}{'contours':>10}{'median ms':>11}{'ns/pixel':>10}{'ns/piece':>10}")
for run in runs:
    function, picture = run["run_name"].split("/")[:2]
    ms = run["real_time"]  # the benchmarks report milliseconds
    pixels, pieces, contours = run["pixels"], run["pieces"], run["contours"]
    label = picture + kinds.get(function, " " + function)
    print(f"{label:<32}{pixels:>12.0f}{pieces:>11.0f}{contours:>10.0f}{ms:>11.2f}"
          f"{ms * 1e6 / pixels:>10.3f}{ms * 1e6 / pieces:>10.1f}")

# Linear in pixels plus pieces: fit time = a * pixels + b * pieces over the four pictures of the
# repeated trace and show how far each picture lies from the line.
plain = [r for r in runs if r["run_name"].startswith("BM_TraceContours/")]
if len(plain) >= 2:
    sxx = sum(r["pixels"] ** 2 for r in plain)
    syy = sum(r["pieces"] ** 2 for r in plain)
    sxy = sum(r["pixels"] * r["pieces"] for r in plain)
    sxt = sum(r["pixels"] * r["real_time"] * 1e6 for r in plain)
    syt = sum(r["pieces"] * r["real_time"] * 1e6 for r in plain)
    det = sxx * syy - sxy * sxy
    a = (sxt * syy - syt * sxy) / det
    b = (syt * sxx - sxt * sxy) / det
    fits = "  ".join(f"{r['run_name'].split('/')[1]} {r['real_time'] / ((a * r['pixels'] + b * r['pieces']) / 1e6):.2f}"
                     for r in plain)
    print(f"fit: time = {a:.3f} ns per pixel + {b:.1f} ns per piece; measured / fitted: {fits}")
EOF
