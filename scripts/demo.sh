#!/usr/bin/env bash
# Builds Angiolith and runs the whole chain on a built-in synthetic vessel phantom.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)"
out=out/demo
./build/tools/angiolith phantom --out "$out" --size small --seed 1
./build/tools/angiolith run "$out/vessels.nii.gz" --tissue "$out/liver.nii.gz" --out "$out/result"
echo "Outputs are in $out/result"
