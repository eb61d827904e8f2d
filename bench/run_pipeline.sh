#!/usr/bin/env bash
# The whole `angiolith run` on the CT-sized phantom with its liver (512 x 512 x 256 at
# 0.7 x 0.7 x 1.5 mm, .nii.gz in and out): wall time per stage and in total, with one and with two
# threads, the peak resident memory against the bytes of the input masks plus the output
# volumes, whether both runs wrote the same volumes, and the cost of compressing the volumes
# against the territory stage. Argument: the benchmark build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
tool="$build/tools/angiolith"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$tool" phantom --out "$work/in" --size ct --spacing 0.7,0.7,1.5 --quiet
for threads in 1 2; do
    /usr/bin/time -f "%e %M %U %S" -o "$work/time-$threads" \
        "$tool" run "$work/in/vessels.nii.gz" --tissue "$work/in/liver.nii.gz" \
        --out "$work/out-$threads" --threads "$threads" > "$work/log-$threads"
done
# The volumes alone, written again compressed and uncompressed (the cost of compression).
if [ -x "$build/bench/bench_volume_write" ]; then
    "$build/bench/bench_volume_write" "$work/out-1" > "$work/volumes"
fi
/usr/bin/python3 bench/run_pipeline.py "$work"
