"""Times the Python module's calls on a phantom and the scientific-Python counterparts on the same
arrays: angiolith.skeletonize against scikit-image's skeletonize_3d, and angiolith.territories
against a nearest-sample search with SciPy's cKDTree over the same centre-line samples.

Usage: python_chain.py FOLDER   (holding vessels.nii.gz and liver.nii.gz of `angiolith phantom`)
Prints wall and processor time of each, and their ratio (the machine may be shared)."""
import sys
import time

import nibabel as nib
import numpy as np

import angiolith


def timed(call):
    wall, cpu = time.perf_counter(), time.process_time()
    result = call()
    return result, time.perf_counter() - wall, time.process_time() - cpu


def report(name, ours, peer, peer_name):
    print(f"{name}: angiolith {ours[0]:.3f} s wall ({ours[1]:.3f} s CPU), {peer_name} "
          f"{peer[0]:.3f} s wall ({peer[1]:.3f} s CPU); angiolith / peer {ours[0] / peer[0]:.3f} wall, "
          f"{ours[1] / peer[1]:.3f} CPU")


def main(folder):
    vessels_image = nib.load(f"{folder}/vessels.nii.gz")
    vessels = np.asanyarray(vessels_image.dataobj)
    liver = np.asanyarray(nib.load(f"{folder}/liver.nii.gz").dataobj)
    spacing = tuple(float(s) for s in vessels_image.header.get_zooms()[:3])
    print(f"phantom {vessels.shape}, spacing {spacing}, {np.count_nonzero(vessels)} vessel voxels, "
          f"{np.count_nonzero(liver)} liver voxels")

    from skimage.morphology import skeletonize_3d
    (skeleton, distances), *ours = timed(lambda: angiolith.skeletonize(vessels, spacing))
    # scikit-image takes (z, y, x) arrays; the transposed view is the same volume.
    peer_skeleton, *peer = timed(lambda: skeletonize_3d(vessels.T))
    report("skeletonize", ours, peer, "skimage skeletonize_3d")
    print(f"  skeletal voxels: angiolith {np.count_nonzero(skeleton)}, "
          f"skimage {np.count_nonzero(peer_skeleton)}")

    tree, *t = timed(lambda: angiolith.extract_tree(skeleton, distances, spacing))
    _, *c = timed(tree.clean)
    print(f"extract_tree {t[0]:.3f} s, clean {c[0]:.3f} s: {len(tree)} vessels")

    from scipy.spatial import cKDTree
    # Against the single-threaded peer on one thread; then on every core (the default).
    (ids, to_vessel), *ours = timed(lambda: angiolith.territories(tree, liver, spacing, threads=1))
    (all_ids, all_to_vessel), *every = timed(lambda: angiolith.territories(tree, liver, spacing))
    same = np.array_equal(all_ids, ids) and all_to_vessel.tobytes() == to_vessel.tobytes()
    print(f"territories on every core: {every[0]:.3f} s wall ({every[1]:.3f} s CPU), "
          f"{ours[0] / every[0]:.2f} x faster than on one thread; same volumes: {same}")

    def kd_territories():
        samples = np.concatenate([v.points for v in tree])
        sample_ids = np.concatenate([np.full(len(v.points), v.id, np.uint16) for v in tree])
        voxels = np.argwhere(liver)
        result = np.zeros(liver.shape, np.uint16)
        found, nearest = cKDTree(samples).query(voxels * np.asarray(spacing), k=1, workers=1)
        result[tuple(voxels.T)] = sample_ids[nearest]
        return result, found

    (kd_ids, kd_distances), *peer = timed(kd_territories)
    report("territories", ours, peer, "SciPy cKDTree")
    deviation = np.max(np.abs(to_vessel[liver != 0] - kd_distances.astype(np.float32)))
    print(f"  same vessel for {np.mean(ids[liver != 0] == kd_ids[liver != 0]):.4%} of the liver "
          f"voxels (ties aside); largest distance difference {deviation:.3g} mm")


if __name__ == "__main__":
    main(sys.argv[1])
