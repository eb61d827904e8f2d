"""The same phantom through the Python module and through the C++ tool gives the same files."""
import numpy as np

from conftest import load, run_tool


def root_voxel(tree_text, spacing):
    """The voxel of a tree file's first sample: the root the tool chose."""
    first = tree_text.split("[", 1)[1].split()[:3]
    return tuple(int(round(float(p) / s)) for p, s in zip(first, spacing))


def test_run_matches_the_tool(phantom, chain, tmp_path):
    """The tool's run against the module's chain from the same root: the tool roots each part of
    the skeleton at its thickest end by itself, the module where it is told to."""
    run_tool("run", str(phantom.folder / "vessels.nii.gz"), "--tissue",
             str(phantom.folder / "liver.nii.gz"), "--out", str(tmp_path), "--quiet")
    for name, key in [("skeleton", "skeleton"), ("distance-field", "distance_field")]:
        expected, spacing = load(tmp_path / f"{name}.nii.gz")
        assert spacing == phantom.spacing
        assert expected.dtype == chain[key].dtype, name
        np.testing.assert_array_equal(chain[key], expected, err_msg=name)
    assert (tmp_path / "tree-1.txt").exists() and not (tmp_path / "tree-2.txt").exists()
    tool_tree = (tmp_path / "tree-1.txt").read_text()

    import angiolith
    start = root_voxel(tool_tree, phantom.spacing)
    tree = angiolith.extract_tree(chain["skeleton"], chain["distance_field"], phantom.spacing,
                                  start=start)
    tree.clean()
    assert tree.to_text() == tool_tree
    ids, distances = angiolith.territories(tree, phantom.liver, phantom.spacing)
    for name, mine in [("vessel-ids", ids), ("distances", distances)]:
        expected, _ = load(tmp_path / f"{name}.nii.gz")
        assert expected.dtype == mine.dtype, name
        np.testing.assert_array_equal(mine, expected, err_msg=name)
        # Byte for byte too (a distance of -0 against 0 would differ here).
        assert np.ascontiguousarray(mine).tobytes() == np.ascontiguousarray(expected).tobytes()
    assert np.count_nonzero(ids) == np.count_nonzero(phantom.liver)


def test_stages_match_the_tool(phantom, tmp_path):
    """The tool's skeleton, extracted by the tool's one-stage command and by the module from the
    same start voxel, gives the same tree."""
    run_tool("skeletonize", str(phantom.folder / "vessels.nii.gz"), "--out", str(tmp_path), "--quiet")
    skeleton, distances = (np.asfortranarray(load(tmp_path / f"{name}.nii.gz")[0])
                           for name in ("skeleton", "distance-field"))
    import angiolith
    start = tuple(int(i) for i in np.argwhere(skeleton)[len(np.argwhere(skeleton)) // 2])
    tree = angiolith.extract_tree(skeleton, distances, phantom.spacing, start=start)
    run_tool("extract", str(tmp_path / "skeleton.nii.gz"), "--distance-field",
             str(tmp_path / "distance-field.nii.gz"), "--start", ",".join(map(str, start)),
             "--out", str(tmp_path / "extract"), "--quiet")
    assert tree.to_text() == (tmp_path / "extract" / "tree-1.txt").read_text()
