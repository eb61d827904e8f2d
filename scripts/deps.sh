#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tool need, only those that are missing.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libann-dev libniftiio-dev libnifti2-dev libteem-dev
          libpng-dev zlib1g-dev libdeflate-dev nlohmann-json3-dev libjs-three libexpat1-dev clang
          libclang-rt-14-dev
          pybind11-dev python3-dev python3-numpy python3-pytest python3-nibabel python3-networkx "$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
