#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# short while (FUZZ_SECONDS, default 30), keeping its corpus in fuzz/corpus-<name>.
#   scripts/fuzz.sh [target-name]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}/fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" \
    -DKSTOOLS_TESTS=OFF -DKSTOOLS_FUZZ=ON -DKSTOOLS_SANITIZE=address,undefined >/dev/null
cmake --build "$dir" -j "${JOBS:-2}"
for exe in "$dir"/fuzz/*_fuzz; do
    name=$(basename "$exe")
    [[ -n "${1:-}" && "$name" != "$1" ]] && continue
    corpus=fuzz/corpus-$name
    mkdir -p "$corpus"
    echo "== $name" >&2
    mkdir -p "$dir/artifacts"
    "$exe" -max_total_time="${FUZZ_SECONDS:-30}" -max_len=4096 -artifact_prefix="$dir/artifacts/" "$corpus"
done
