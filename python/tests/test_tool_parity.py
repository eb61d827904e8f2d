"""The same phantom through the Python module and through the C++ tool gives the same files."""
import numpy as np

from conftest import load, run_tool


def test_run_matches_the_tool(phantom, chain, tmp_path):
    run_tool("run", str(phantom.folder / "vessels.nii.gz"), "--tissue",
             str(phantom.folder / "liver.nii.gz"), "--out", str(tmp_path), "--quiet")
    for name, key in [("skeleton", "skeleton"), ("distance-field", "distance_field"),
                      ("vessel-ids", "vessel_ids"), ("distances", "distances"),
                      ("labels-segment", "labels")]:
        expected, spacing = load(tmp_path / f"{name}.nii.gz")
        assert spacing == phantom.spacing
        assert expected.dtype == chain[key].dtype, name
        np.testing.assert_array_equal(chain[key], expected, err_msg=name)
    assert chain["tree"].to_text() == (tmp_path / "tree.txt").read_text()
    assert len(chain["tree"]) > 3 and np.count_nonzero(chain["vessel_ids"]) > 0


def test_stages_match_the_tool(phantom, tmp_path):
    """The tool's one-stage commands from the Python skeleton: extraction with a start voxel, and
    relabelling by vessel type after the tree was edited."""
    skeleton, distances = (np.asfortranarray(a) for a in load_both(phantom, tmp_path))
    import angiolith
    start = tuple(int(i) for i in np.argwhere(skeleton)[len(np.argwhere(skeleton)) // 2])
    tree = angiolith.extract_tree(skeleton, distances, phantom.spacing, start=start)
    run_tool("extract", str(tmp_path / "skeleton.nii.gz"), "--distance-field",
             str(tmp_path / "distance-field.nii.gz"), "--start", ",".join(map(str, start)),
             "--out", str(tmp_path / "extract"), "--quiet")
    assert tree.to_text() == (tmp_path / "extract" / "tree.txt").read_text()


def load_both(phantom, folder):
    run_tool("skeletonize", str(phantom.folder / "vessels.nii.gz"), "--out", str(folder), "--quiet")
    return load(folder / "skeleton.nii.gz")[0], load(folder / "distance-field.nii.gz")[0]
