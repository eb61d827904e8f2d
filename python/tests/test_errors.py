"""Bad input raises ValueError or TypeError with a message that names the mistake, and the
interpreter goes on."""
import numpy as np
import pytest

import angiolith

MASK = np.zeros((8, 9, 10), np.uint8)
MASK[2:6, 4, 5] = 1
SKELETON, DISTANCES = angiolith.skeletonize(MASK)
TREE = angiolith.extract_tree(SKELETON, DISTANCES, (1, 1, 1))
IDS, _ = angiolith.territories(TREE, np.ones_like(MASK), (1, 1, 1))

# A hollow cube: every voxel of its surface has more than two neighbours, so no vessel can start.
SHELL = np.ones((4, 4, 4), np.uint8)
SHELL[1:3, 1:3, 1:3] = 0
ZERO_ID_TREE = """HAVN-TSL 2000 Tree
{ 
    { t f 1 2 1    0 -1 1  [ 1 2 3 4.5 0 ]  }  -
}
"""

CASES = [
    ("2-D mask", lambda: angiolith.skeletonize(np.ones((5, 5))), ValueError,
     "mask must be a 3-D array, got 2 dimension"),
    ("empty mask", lambda: angiolith.skeletonize(np.zeros((4, 4, 4))), ValueError,
     "mask has no non-zero voxel"),
    ("zero extent", lambda: angiolith.skeletonize(np.zeros((4, 0, 4))), ValueError,
     "every extent must lie between 1 and 32767"),
    ("spacing of two", lambda: angiolith.skeletonize(MASK, (1, 1)), ValueError,
     "spacing must have 3 values, one per axis, got 2"),
    ("negative spacing", lambda: angiolith.skeletonize(MASK, (1, -0.5, 1)), ValueError,
     r"spacing must be positive and finite on every axis, got \(1, -0.5, 1\)"),
    ("NaN spacing", lambda: angiolith.skeletonize(MASK, (1, float("nan"), 1)), ValueError,
     "positive and finite"),
    ("text spacing", lambda: angiolith.skeletonize(MASK, "abc"), TypeError,
     "spacing must be three numbers"),
    ("no spacing", lambda: angiolith.skeletonize(MASK, None), TypeError,
     "spacing must be a sequence of three numbers"),
    ("complex mask", lambda: angiolith.skeletonize(MASK.astype(complex)), TypeError,
     "mask must hold numbers"),
    ("object mask", lambda: angiolith.skeletonize(np.full((2, 2, 2), None)), TypeError,
     "mask must hold numbers"),
    ("unknown axes", lambda: angiolith.skeletonize(MASK, axes="yxz"), ValueError,
     "axes must be 'xyz'"),
    ("negative passes", lambda: angiolith.skeletonize(MASK, cleaning_passes=-1), ValueError,
     "cleaning_passes must be 0 or more"),
    ("skeleton without end voxel", lambda: angiolith.extract_tree(SHELL, SHELL * 1.0, (1, 1, 1)),
     ValueError, "no end or line voxel to start from"),
    ("empty skeleton", lambda: angiolith.extract_tree(0 * SKELETON, DISTANCES, (1, 1, 1)),
     ValueError, "skeleton has no non-zero voxel"),
    ("start outside", lambda: angiolith.extract_tree(SKELETON, DISTANCES, (1, 1, 1), (8, 0, 0)),
     ValueError, r"start \(8, 0, 0\) lies outside the volume of shape \(8, 9, 10\)"),
    ("negative start", lambda: angiolith.extract_tree(SKELETON, DISTANCES, (1, 1, 1), (0, -1, 0)),
     ValueError, "lies outside the volume"),
    ("start of two", lambda: angiolith.extract_tree(SKELETON, DISTANCES, (1, 1, 1), (1, 2)),
     ValueError, "start must have 3 voxel indices"),
    ("fractional start", lambda: angiolith.extract_tree(SKELETON, DISTANCES, (1, 1, 1), (1.5, 2, 3)),
     TypeError, "start must be three integer voxel indices"),
    ("shapes differ", lambda: angiolith.extract_tree(SKELETON, DISTANCES[:-1], (1, 1, 1)),
     ValueError, "skeleton and distance_field differ in shape"),
    ("distance field of zeros", lambda: angiolith.extract_tree(SKELETON, 0 * DISTANCES, (1, 1, 1)),
     ValueError, "distance_field is not positive on every skeleton voxel"),
    ("unknown sampler", lambda: angiolith.territories(TREE, MASK, (1, 1, 1), sampler="liver"),
     ValueError, "sampler must be one of 'all', 'hepatic'"),
    ("vessel id 0", lambda: angiolith.territories(angiolith.Tree.from_text(ZERO_ID_TREE), MASK,
                                                  (1, 1, 1)),
     ValueError, "the tree has a vessel with id 0, but a vessel-ID volume holds ids 1 to 65535"),
    ("not a tree", lambda: angiolith.territories("tree", MASK, (1, 1, 1)), TypeError, ""),
    ("id beyond the tree", lambda: angiolith.relabel(IDS + 5, TREE), ValueError,
     "vessel_ids holds ids from 6 to 6, but the tree's vessel ids end at 1"),
    ("float ids", lambda: angiolith.relabel(IDS.astype(float), TREE), TypeError,
     "vessel_ids must hold integers"),
    ("negative threads", lambda: angiolith.territories(TREE, MASK, (1, 1, 1), threads=-1),
     ValueError, "threads must be 0 .one per core. or a positive number, got -1"),
    ("fractional threads", lambda: angiolith.territories(TREE, MASK, (1, 1, 1), threads=1.5),
     TypeError, "threads must be an integer, got 1.5"),
    ("unknown rule", lambda: angiolith.relabel(IDS, TREE, "colour"), ValueError,
     "rule must be 'segment', 'type' or 'resection'"),
    ("not tree text", lambda: angiolith.Tree.from_text("{ }"), ValueError,
     "not a vessel tree text"),
    ("truncated tree text", lambda: angiolith.Tree.from_text(ZERO_ID_TREE[:60]), ValueError,
     "the vessel tree text is damaged"),
    ("zero precision", lambda: TREE.to_text(precision=0), ValueError,
     "precision must lie between 1 and 17"),
    ("unknown vessel", lambda: TREE[99], KeyError, "the tree has no vessel with id 99"),
]


@pytest.mark.parametrize("call, error, message", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_bad_input_raises(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_a_vessel_taken_before_cleaning_refuses_use():
    tree = TREE.copy()
    root = tree.root
    tree.clean()
    with pytest.raises(ValueError, match="taken before its tree was cleaned"):
        root.points
    assert tree.root.id == 1


def test_library_lines_go_to_logging_not_to_the_output(caplog, capfd):
    single = np.zeros((3, 3, 3), np.uint8)
    single[1, 1, 1] = 1
    with caplog.at_level("INFO", logger="angiolith"):
        skeleton, _ = angiolith.skeletonize(single, cleaning_passes=1)
    assert skeleton.sum() == 1
    assert "PostClean: no Startpoints found!" in [r.getMessage() for r in caplog.records]
    assert capfd.readouterr().out == ""
