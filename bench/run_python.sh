#!/usr/bin/env bash
# Times the Python module on the 256^3 phantom against scikit-image's thinning and SciPy's k-d tree
# on the same arrays. Argument: the benchmark build directory (with the module and the tool).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-bench}"
bash scripts/deps.sh python3-skimage python3-scipy >/dev/null
if [ ! -d "$build/python" ]; then
    echo "run_python.sh: $build has no Python module (needs python3-dev, python3-numpy, pybind11-dev)" >&2
    exit 1
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/tools/angiolith" phantom --out "$work" --size medium --seed 1 --spacing 0.7,0.7,1.5 --quiet
PYTHONPATH="$build/python" /usr/bin/python3 bench/python_chain.py "$work"
