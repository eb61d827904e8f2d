#!/usr/bin/env bash
# Builds Angiolith, makes a synthetic vessel tree and liver (the phantom) and runs the whole chain
# on it: skeleton, vessel tree, cleaning, vascular territories, relabelling.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build >/dev/null
cmake --build build --target angiolith_tool -j"$(nproc)"
out=out/demo
phantom=$(./build/tools/angiolith phantom --out "$out" --size small --seed 1 --bumps)
echo "$phantom"
# Start the tree where the phantom's root vessel enters (the phantom names that voxel).
root=$(sed -n 's/.*root voxel \([0-9]*,[0-9]*,[0-9]*\)).*/\1/p' <<<"$phantom")
./build/tools/angiolith run "$out/vessels.nii.gz" --tissue "$out/liver.nii.gz" --start "$root" \
    --out "$out/result"
echo
echo "The phantom is in $out (vessels.nii.gz, liver.nii.gz); the results are in $out/result:"
ls -1 "$out/result" | sed 's/^/  /'
echo "Open $out/result/preview.png for a first look, or load the volumes and tree.vtp in 3D Slicer."
