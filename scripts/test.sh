#!/usr/bin/env bash
# Builds the library and runs every test: the GoogleTest suites through CTest, the same suites in an
# address + undefined-behaviour sanitizer build, and a bounded run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)

echo "== Release build and tests"
cmake -S . -B build -DANGIOLITH_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Sanitizer build (address, undefined) and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DANGIOLITH_SANITIZE=ON -DANGIOLITH_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

if [ -f fuzz/CMakeLists.txt ]; then
    echo "== Fuzzing"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DANGIOLITH_FUZZ=ON \
        -DANGIOLITH_TESTS=OFF -DANGIOLITH_TOOLS=OFF >/dev/null
    cmake --build build-fuzz -j"$jobs"
    bash fuzz/run.sh build-fuzz
fi
echo "All tests passed."
