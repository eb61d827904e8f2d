"""Axis orders, dtypes and memory layouts: every way of handing the library the same volume gives
the same result, and results are arrays of their own."""
import gc

import numpy as np
import pytest

import angiolith
from conftest import analyse as chain

# The phantom cut to a non-cubic box, with the tissue cut alike.
BOX = (slice(4, 60), slice(0, 64), slice(10, 50))


@pytest.fixture(scope="module")
def box(phantom):
    vessels = np.ascontiguousarray(phantom.vessels[BOX])
    tissue = np.ascontiguousarray(phantom.liver[BOX])
    assert len(set(vessels.shape)) == 3 and len(set(phantom.spacing)) == 3
    return vessels, tissue, phantom.spacing


def test_both_axis_orders_give_the_same_result(box):
    vessels, tissue, spacing = box
    xyz = chain(vessels, tissue, spacing, "xyz", start=(30, 5, 20))
    zyx = chain(vessels.T, tissue.T, spacing[::-1], "zyx", start=(20, 5, 30))
    for a, b in [(xyz[0], zyx[0]), (xyz[1], zyx[1]), (xyz[3], zyx[3]), (xyz[4], zyx[4])]:
        assert a.shape == b.shape[::-1]
        np.testing.assert_array_equal(a, b.T)
    assert xyz[2].to_text() == zyx[2].to_text()
    # Positions come in the caller's axis order.
    for v, w in zip(xyz[2], zyx[2]):
        np.testing.assert_array_equal(v.points, w.points[:, ::-1])
    assert zyx[2].axes == "zyx"


@pytest.mark.parametrize("convert", [
    pytest.param(lambda m: m.astype(bool), id="bool"),
    pytest.param(lambda m: m.astype(np.int16) * -7, id="int16"),
    pytest.param(lambda m: m.astype(np.uint32) * 300, id="uint32 beyond 8 bits"),
    pytest.param(lambda m: m.astype(np.int64), id="int64"),
    pytest.param(lambda m: m.astype(np.float32) * 0.25, id="float32 below 1"),
    pytest.param(lambda m: np.where(m > 0, 1.0, np.nan), id="float64 NaN background"),
    pytest.param(lambda m: m.astype(np.float16), id="float16"),
    pytest.param(lambda m: m.astype(">f8"), id="big-endian float64"),
    pytest.param(lambda m: np.asfortranarray(m), id="Fortran order"),
    pytest.param(lambda m: np.pad(m, ((0, 0), (0, 0), (0, 3)))[:, :, :-3], id="strided view"),
    pytest.param(lambda m: m[::-1, :, :][::-1, :, :], id="reversed twice"),
])
def test_dtypes_and_layouts_give_the_same_skeleton(box, convert):
    vessels, _, spacing = box
    expected = angiolith.skeletonize(vessels, spacing)
    given = convert(vessels)
    before = given.copy()
    result = angiolith.skeletonize(given, spacing)
    for a, b in zip(result, expected):
        np.testing.assert_array_equal(a, b)
    np.testing.assert_array_equal(given, before)  # the input is not touched


def test_results_are_arrays_of_their_own(box):
    vessels, tissue, spacing = box
    skeleton, distances, tree, ids, to_vessel = chain(vessels, tissue, spacing, "xyz")
    assert skeleton.dtype == np.uint8 and set(np.unique(skeleton)) == {0, 1}
    assert distances.dtype == np.float32 and ids.dtype == np.uint16
    assert skeleton.flags.f_contiguous and skeleton.flags.writeable
    points = tree.root.points
    kept = [a.copy() for a in (skeleton, distances, ids, to_vessel, points)]
    del tree
    gc.collect()
    for a, b in zip((skeleton, distances, ids, to_vessel, points), kept):
        np.testing.assert_array_equal(a, b)
    # zyx results are C-ordered, the library's layout read the other way round.
    assert angiolith.skeletonize(vessels.T, spacing[::-1], axes="zyx")[0].flags.c_contiguous


def test_territories_without_distances_and_by_sampler(chain, phantom):
    tree = chain["tree"]
    ids, none = angiolith.territories(tree, phantom.liver, phantom.spacing, distances=False)
    assert none is None
    np.testing.assert_array_equal(ids, chain["vessel_ids"])
    # An extracted tree is all portal: the hepatic samplers select nothing, the portal one all.
    portal, _ = angiolith.territories(tree, phantom.liver, phantom.spacing, sampler="portal")
    np.testing.assert_array_equal(portal, chain["vessel_ids"])
    with pytest.raises(ValueError, match="sampler 'hepatic' selects no centre-line sample"):
        angiolith.territories(tree, phantom.liver, phantom.spacing, sampler="hepatic")
