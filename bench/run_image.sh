#!/usr/bin/env bash
# Conversion throughput (items per second = voxels per second) on a 256^3 volume.
set -euo pipefail
"$1/bench/bench_image_convert" --benchmark_min_time=0.2
