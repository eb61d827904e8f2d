"""The README's Python example runs as written, on the files `angiolith phantom` writes."""
import os
import re
import shutil

import numpy as np

from conftest import SOURCE_DIR, load


def test_readme_example_runs_as_written(phantom, chain, tmp_path, monkeypatch):
    readme = open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8").read()
    python_section = readme.split("\n## Python\n", 1)[1].split("\n## ", 1)[0]
    blocks = re.findall(r"```python\n(.*?)```", python_section, re.S)
    assert len(blocks) == 1
    for name in ("vessels.nii.gz", "liver.nii.gz"):
        shutil.copy(phantom.folder / name, tmp_path / name)
    monkeypatch.chdir(tmp_path)
    exec(compile(blocks[0], "README.md", "exec"), {})
    written, spacing = load(tmp_path / "vessel-ids.nii.gz")
    assert spacing == phantom.spacing
    np.testing.assert_array_equal(written, chain["vessel_ids"])
