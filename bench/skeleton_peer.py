"""Times scikit-image's 3-D thinning on a raw unsigned 8-bit volume (x fastest).

Usage: skeleton_peer.py FILE SIZE_X SIZE_Y SIZE_Z
Prints one line: PEER <wall seconds> <CPU seconds> <skeletal voxels>
"""
import sys
import time

import numpy as np
from skimage.morphology import skeletonize_3d


def main():
    path, nx, ny, nz = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    volume = np.fromfile(path, dtype=np.uint8).reshape((nz, ny, nx))
    start, cpu_start = time.perf_counter(), time.process_time()
    skeleton = skeletonize_3d(volume)
    seconds, cpu_seconds = time.perf_counter() - start, time.process_time() - cpu_start
    print("PEER %.6f %.6f %d" % (seconds, cpu_seconds, int(np.count_nonzero(skeleton))))


if __name__ == "__main__":
    main()
