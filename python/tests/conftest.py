"""Shared fixtures: the module under test, the C++ tool, and phantoms the tool writes."""
import os
import subprocess

import numpy as np
import pytest

import angiolith

nibabel = pytest.importorskip("nibabel", reason="reading the tool's NIfTI files needs python3-nibabel")

TOOL = os.environ.get("ANGIOLITH_TOOL", "")
SOURCE_DIR = os.environ.get(
    "ANGIOLITH_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))


def analyse(vessels, tissue, spacing, axes="xyz", start=None):
    """The tool's `run` in Python: skeleton, distance field, cleaned tree, vessel ids, distances."""
    skeleton, distances = angiolith.skeletonize(vessels, spacing, axes=axes)
    tree = angiolith.extract_tree(skeleton, distances, spacing, start, axes=axes)
    tree.clean()
    ids, to_vessel = angiolith.territories(tree, tissue, spacing, axes=axes)
    return skeleton, distances, tree, ids, to_vessel


def run_tool(*args, cwd=None):
    """Runs the C++ tool quietly and returns its standard output."""
    if not TOOL:
        pytest.fail("ANGIOLITH_TOOL does not name the angiolith program; run the tests through ctest")
    done = subprocess.run([TOOL, *args], cwd=cwd, capture_output=True, text=True)
    assert done.returncode == 0, f"angiolith {' '.join(args)} failed:\n{done.stdout}{done.stderr}"
    return done.stdout


def load(path):
    """A NIfTI file's voxels as nibabel gives them ([x, y, z]) and its spacing."""
    image = nibabel.load(str(path))
    return np.asanyarray(image.dataobj), tuple(float(z) for z in image.header.get_zooms()[:3])


class Phantom:
    """A vessel phantom written by `angiolith phantom`: vessel and liver masks, their spacing."""

    def __init__(self, folder):
        self.folder = folder
        self.vessels, self.spacing = load(folder / "vessels.nii.gz")
        self.liver, _ = load(folder / "liver.nii.gz")


@pytest.fixture(scope="session")
def phantom(tmp_path_factory):
    """The small phantom (64^3, some forty vessels) on an anisotropic grid."""
    folder = tmp_path_factory.mktemp("phantom")
    run_tool("phantom", "--out", str(folder), "--size", "small", "--seed", "3",
             "--spacing", "0.7,0.8,1.5", "--quiet")
    return Phantom(folder)


@pytest.fixture(scope="session")
def chain(phantom):
    """The whole chain in Python on the phantom, as the tool's `run` computes it."""
    skeleton, distances, tree, ids, to_vessel = analyse(phantom.vessels, phantom.liver,
                                                        phantom.spacing)
    return {"skeleton": skeleton, "distance_field": distances, "tree": tree,
            "vessel_ids": ids, "distances": to_vessel,
            "labels": angiolith.relabel(ids, tree, "segment")}
