"""Prints the figures bench/run_pipeline.sh collected: per stage wall times of the two runs, the
totals, the peak resident memory against the budget, and a byte comparison of the volumes."""
import gzip
import os
import re
import sys


def stages(log):
    times = {}
    for line in open(log):
        match = re.match(r"(\S+): done in ([0-9.]+) s", line)
        if match:
            times[match.group(1)] = float(match.group(2))
    return times


def volume_bytes(path):
    """Bytes of the voxels of a NIfTI-1 file (the uncompressed size less the 352-byte head)."""
    with gzip.open(path, "rb") as f:
        return len(f.read()) - 352


def main(work):
    runs = {t: stages(f"{work}/log-{t}") for t in (1, 2)}
    totals = {t: [float(v) for v in open(f"{work}/time-{t}").read().split()] for t in (1, 2)}
    print("angiolith run, CT-sized phantom with liver (wall seconds):")
    print(f"  {'stage':<14}{'1 thread':>10}{'2 threads':>11}")
    for stage in runs[1]:
        print(f"  {stage:<14}{runs[1][stage]:>10.2f}{runs[2].get(stage, float('nan')):>11.2f}")
    print(f"  {'total':<14}{totals[1][0]:>10.2f}{totals[2][0]:>11.2f}")
    print(f"  {'processor':<14}{totals[1][2] + totals[1][3]:>10.2f}{totals[2][2] + totals[2][3]:>11.2f}"
          "  (user + system seconds of the whole run; wall times count other processes' turns)")
    if "territories" in runs[1] and "write" in runs[1]:
        print(f"  writing / territories: {runs[1]['write'] / runs[1]['territories']:.2f} (1 thread), "
              f"{runs[2]['write'] / runs[2]['territories']:.2f} (2 threads); target <= 0.25")
    inputs = sum(volume_bytes(f"{work}/in/{name}") for name in ("vessels.nii.gz", "liver.nii.gz"))
    outputs = sum(volume_bytes(f"{work}/out-1/{name}") for name in sorted(os.listdir(f"{work}/out-1"))
                  if name.endswith(".nii.gz"))
    budget = 1.5 * (inputs + outputs)
    for t in (1, 2):
        peak = totals[t][1] * 1024
        print(f"  peak resident, {t} thread(s): {peak / 2**20:.0f} MiB = {peak / (inputs + outputs):.2f} x "
              f"(inputs {inputs / 2**20:.0f} MiB + outputs {outputs / 2**20:.0f} MiB); target <= 1.5 x "
              f"= {budget / 2**20:.0f} MiB")
    volumes = f"{work}/volumes"
    if os.path.exists(volumes) and "territories" in runs[1]:
        lines = open(volumes).read().splitlines()
        print("volumes of the 1-thread run written again (best of 3; raw = uncompressed .nii):")
        print("\n".join(line for line in lines if not line.startswith(("RESULT", "LEVEL"))))
        result = [line for line in lines if line.startswith("RESULT")][-1]
        one, two, raw, read, one_wall, deflated = (float(v) for v in result.split()[1:])
        print(f"  compression / territories: {one / runs[1]['territories']:.2f} (1 thread, processor "
              f"seconds of compression), {two / runs[2]['territories']:.2f} (2 threads, wall); "
              f"target <= 0.25")
        print(f"  compression on 2 threads: {one_wall / two:.2f} x faster in wall time than on 1")
        levels = [line.split()[1:] for line in lines if line.startswith("LEVEL")]
        used = next((float(cpu) for level, size, cpu in levels if level == "1"), None)
        if used:
            budget = 0.25 * runs[2]["territories"]
            print(f"  what bounds it: {deflated / 2**20:.0f} MiB to deflate at "
                  f"{deflated / used / 1e6:.0f} MB/s per core = {used:.2f} processor s, "
                  f"{used / 2:.2f} s on 2 cores at best; writing the same volumes uncompressed "
                  f"takes {raw:.2f} s; the target on 2 threads allows {budget:.2f} s")
    same = all(gzip.open(f"{work}/out-1/{n}").read() == gzip.open(f"{work}/out-2/{n}").read()
               for n in sorted(os.listdir(f"{work}/out-1")) if n.endswith(".nii.gz"))
    print(f"  volumes of the two runs: {'identical' if same else 'DIFFERENT'}")


if __name__ == "__main__":
    main(sys.argv[1])
