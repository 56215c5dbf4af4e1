#!/usr/bin/env bash
# Builds the benchmarks (optimised), runs each, and prints the ratio of our code
# to its peer for every BM_<case>_Ours / BM_<case>_Peer pair, measured in the
# same run with their repetitions interleaved.
#   scripts/bench.sh [benchmark-name-filter]
# With --instructions, counts the list loads' instructions and their peers'
# under callgrind instead (scripts/bench_instructions.py).
#   scripts/bench.sh --instructions
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}/bench
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKSTOOLS_TESTS=OFF -DKSTOOLS_BENCH=ON >/dev/null
cmake --build "$dir" -j "${JOBS:-2}"
if [[ "${1:-}" == --instructions ]]; then
    for pair in tasks_loader_bench:TasksLoad_ calendar_loader_bench:CalendarMonth_; do
        echo "== ${pair%%:*}" >&2
        python3 scripts/bench_instructions.py "$dir/bench/${pair%%:*}" "${pair#*:}"
    done
    exit 0
fi
out=$dir/results
mkdir -p "$out"
for exe in "$dir"/bench/*_bench; do
    name=$(basename "$exe")
    echo "== $name" >&2
    # Ours and the peer interleaved, one process per store size (see bench_run.py).
    python3 scripts/bench_run.py "$exe" "$out/$name" "${1:-.}" 3
done
python3 scripts/bench_ratios.py "$out"/*.json
