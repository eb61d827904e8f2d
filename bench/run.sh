#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs every bench/run_*.sh, which print their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DANGIOLITH_BENCH=ON -DANGIOLITH_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)"
for script in bench/run_*.sh; do
    [ -e "$script" ] || continue
    bash "$script" build-bench
done
