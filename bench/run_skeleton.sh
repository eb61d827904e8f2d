#!/usr/bin/env bash
# Thins the 256^3 and the 512 x 512 x 256 vessel phantoms (the latter isotropic and at
# 0.7 x 0.7 x 1.5 mm) and compares the time with
# scikit-image's 3-D thinning on the same volumes (wall and CPU time, since the machine may be
# shared). Argument: the benchmark build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
bash scripts/deps.sh python3-skimage >/dev/null
python=/usr/bin/python3
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for phantom in medium ct ct-anisotropic; do
    out="$("$build/bench/bench_skeleton" "$phantom" "$work/$phantom.raw")"
    echo "$out" | grep -v '^RESULT'
    read -r _ _ nx ny nz ours oursCpu < <(echo "$out" | grep '^RESULT')
    read -r _ peer peerCpu peerVoxels < <("$python" bench/skeleton_peer.py "$work/$phantom.raw" "$nx" "$ny" "$nz")
    awk -v o="$ours" -v oc="$oursCpu" -v p="$peer" -v pc="$peerCpu" -v n="$peerVoxels" \
        'BEGIN { printf "  scikit-image skeletonize_3d %.3f s wall (%.3f s CPU, %d skeletal voxels)\n", p, pc, n;
                 printf "  ours / peer: %.3f wall, %.3f CPU = 1/%.0f (target <= 1/20)\n", o / p, oc / pc, pc / oc }'
    # The peer computes no distance field; the same thinning without one, for comparison.
    nodf="$("$build/bench/bench_skeleton" "$phantom" - --no-distance-field)"
    echo "$nodf" | grep '^  thinning'
    read -r _ _ _ _ _ ours oursCpu < <(echo "$nodf" | grep '^RESULT')
    awk -v o="$ours" -v oc="$oursCpu" -v p="$peer" -v pc="$peerCpu" \
        'BEGIN { printf "  without distance field, ours / peer: %.3f wall, %.3f CPU\n", o / p, oc / pc }'
done
