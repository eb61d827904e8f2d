#!/usr/bin/env bash
# Extraction time on the 256^3 and 512 x 512 x 256 phantoms after thinning, with the number of
# vessels and the thinning time for comparison (target: extraction below a quarter of the
# thinning). Argument: the benchmark build directory.
set -euo pipefail
build="${1:-build-bench}"
echo "== Tree extraction (time per extraction; thinning_s is the thinning of the same phantom)"
"$build/bench/bench_extraction" --benchmark_counters_tabular=true
