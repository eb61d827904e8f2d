#!/usr/bin/env bash
# Builds Angiolith, makes a synthetic vessel tree and liver (the phantom) and runs the whole chain
# on it: skeleton, vessel tree, cleaning, vascular territories, relabelling.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build >/dev/null
cmake --build build --target angiolith_tool -j"$(nproc)"
out=out/demo
./build/tools/angiolith phantom --out "$out" --size small --seed 1 --bumps
./build/tools/angiolith run "$out/vessels.nii.gz" --tissue "$out/liver.nii.gz" --out "$out/result"
echo
echo "The phantom is in $out (vessels.nii.gz, liver.nii.gz); the results are in $out/result:"
ls -1 "$out/result" | sed 's/^/  /'
echo "Open $out/result/preview.png for a first look, or load the volumes and tree.vtp in 3D Slicer."
