#!/usr/bin/env bash
# Cleaning and cloning time of the tree extracted from the 256^3 phantom with surface bumps.
# Argument: the benchmark build directory.
set -euo pipefail
build="${1:-build-bench}"
echo "== Tree cleaning and cloning (time per tree)"
"$build/bench/bench_cleaning" --benchmark_counters_tabular=true
