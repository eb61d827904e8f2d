"""`cmake --install` puts the module where the interpreter finds it below the prefix, and the
installed module finds the installed library."""
import os
import subprocess
import sys

import pytest

BUILD_DIR = os.environ.get("ANGIOLITH_BUILD_DIR")
SITE_DIR = os.environ.get("ANGIOLITH_PYTHON_INSTALL_DIR")


@pytest.mark.skipif(not BUILD_DIR or not SITE_DIR, reason="run through ctest, which names the build")
def test_installed_module_imports_and_runs(tmp_path):
    prefix = tmp_path / "prefix"
    subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", str(prefix)], check=True,
                   capture_output=True)
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env["PYTHONPATH"] = str(prefix / SITE_DIR)
    script = ("import angiolith, numpy as np; m = np.zeros((5, 6, 7)); m[1:4, 3, 3] = 1; "
              "s, d = angiolith.skeletonize(m); print(angiolith.__file__, int(s.sum()))")
    done = subprocess.run([sys.executable, "-c", script], env=env, capture_output=True, text=True,
                          cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    path, count = done.stdout.split()
    assert path.startswith(str(prefix / SITE_DIR)) and count == "3"
    assert (prefix / SITE_DIR / "angiolith.pyi").is_file()
