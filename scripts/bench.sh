#!/usr/bin/env bash
# Builds the benchmarks (optimised), runs each, and prints the ratio of our code
# to its peer for every BM_<case>_Ours / BM_<case>_Peer pair.
#   scripts/bench.sh [benchmark-name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}/bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKSTOOLS_TESTS=OFF -DKSTOOLS_BENCH=ON >/dev/null
cmake --build "$dir" -j "${JOBS:-2}"
out=$dir/results
mkdir -p "$out"
for exe in "$dir"/bench/*_bench; do
    name=$(basename "$exe")
    echo "== $name" >&2
    "$exe" --benchmark_filter="${1:-.}" --benchmark_out="$out/$name.json" --benchmark_out_format=json \
        --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >&2
done
python3 scripts/bench_ratios.py "$out"/*.json
