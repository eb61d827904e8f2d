#!/usr/bin/env bash
# Vascular territories on the CT-sized phantom, against SciPy's cKDTree on the same data.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh python3-scipy
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1/bench/bench_territory" "$work"
/usr/bin/python3 bench/territory_peer.py "$work"
