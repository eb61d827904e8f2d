"""Times SciPy's cKDTree on the samples and tissue positions that bench_territory wrote: building
the tree and querying the nearest sample of every position on one thread, and prints the ratio of
our territory computation to that time. Also checks that both found the same distances.

Both sides measure processor time, not wall time, as the machine may be shared."""
import sys
import time

import numpy as np
from scipy.spatial import cKDTree


def main(directory):
    samples = np.fromfile(f"{directory}/samples.raw", dtype=np.float64).reshape(-1, 3)
    queries = np.fromfile(f"{directory}/queries.raw", dtype=np.float64).reshape(-1, 3)
    ours = np.fromfile(f"{directory}/distances.raw", dtype=np.float32)
    total, reference = (float(v) for v in open(f"{directory}/seconds.txt").read().split())

    best = float("inf")
    for _ in range(1):
        start = time.process_time()
        tree = cKDTree(samples)
        distances, _ = tree.query(queries, k=1, workers=1)
        best = min(best, time.process_time() - start)

    deviation = float(np.max(np.abs(distances.astype(np.float32) - ours))) if len(ours) else 0.0
    print(f"cKDTree build + query (workers=1): {best:.3f} s processor time, {len(queries) / best:.3g} queries/s")
    print(f"largest distance difference to ours: {deviation:.3g}")
    print(f"ours (grid transform, 1 thread) / cKDTree: {total / best:.4f} = 1/{best / total:.0f} "
          f"(target <= 1/30); k-d tree per voxel / cKDTree: 1/{best / reference:.0f}")


if __name__ == "__main__":
    main(sys.argv[1])
