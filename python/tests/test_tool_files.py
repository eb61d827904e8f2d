"""The tool's compressed volumes read back with readers other than its own: nibabel for NIfTI and
a plain header parser with Python's gzip for NRRD. The volumes are mostly zero, so that whole
zero blocks (written as members compressed once) alternate with deflated data."""
import gzip

import numpy as np
import pytest

from conftest import load, nibabel, run_tool

NRRD_TYPES = {"unsigned char": np.uint8, "unsigned short": np.uint16, "float": np.float32}


def read_nrrd(path):
    """The voxels of a single-file gzip-encoded NRRD ([x, y, z]), parsed without Teem."""
    raw = path.read_bytes()
    end = raw.index(b"\n\n")
    fields = dict(line.split(": ", 1) for line in raw[:end].decode().splitlines()[1:]
                  if not line.startswith("#") and ": " in line)
    assert fields["encoding"] == "gzip"
    assert fields.get("endian", "little") == "little"
    sizes = [int(s) for s in fields["sizes"].split()]
    voxels = np.frombuffer(gzip.decompress(raw[end + 2:]), dtype=NRRD_TYPES[fields["type"]])
    return voxels.reshape(sizes[::-1]).transpose()


@pytest.fixture(scope="module")
def tube(tmp_path_factory):
    """A 96 x 80 x 72 mask holding one bent tube in the middle slices only."""
    folder = tmp_path_factory.mktemp("tube")
    mask = np.zeros((96, 80, 72), dtype=np.uint8)
    x, y, z = np.meshgrid(np.arange(96), np.arange(80), np.arange(72), indexing="ij")
    mask[(y - 40 - x // 8) ** 2 + (z - 36) ** 2 <= 16] = 1
    nibabel.save(nibabel.Nifti1Image(mask, np.diag([0.7, 0.7, 1.5, 1.0])),
                 str(folder / "vessels.nii.gz"))
    return folder


def test_nifti_and_nrrd_volumes_hold_the_same_voxels(tube, tmp_path):
    for fmt in ("nii.gz", "nrrd"):
        run_tool("skeletonize", str(tube / "vessels.nii.gz"), "--format", fmt,
                 "--out", str(tmp_path / fmt), "--quiet")
    for name in ("skeleton", "distance-field"):
        nifti, spacing = load(tmp_path / "nii.gz" / f"{name}.nii.gz")
        nrrd = read_nrrd(tmp_path / "nrrd" / f"{name}.nrrd")
        assert spacing == pytest.approx((0.7, 0.7, 1.5))
        assert nrrd.dtype == nifti.dtype and nrrd.shape == nifti.shape == (96, 80, 72), name
        np.testing.assert_array_equal(nrrd, nifti, err_msg=name)
        assert np.count_nonzero(nifti) > 0 and not nifti[:, :, :30].any(), name
