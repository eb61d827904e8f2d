#!/usr/bin/env bash
# Builds the library and runs every test: the GoogleTest suites through CTest, the same suites in an
# address + undefined-behaviour sanitizer build (the Python module's pytest suite in both), the
# multi-threaded tests in a thread sanitizer build, and a bounded run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# The report's browser test opens report.html in headless Chromium. Where the browser cannot be
# installed that test is reported as skipped, with this message and its own.
if ! command -v chromium >/dev/null 2>&1; then
    bash scripts/deps.sh chromium ||
        echo "WARNING: Chromium could not be installed: the browser test of report.html" \
            "(report_in_browser) will be skipped" >&2
fi

jobs=$(nproc)
# The Python module and its tests use Debian's interpreter, whose NumPy and pytest deps.sh installs
# (a python3 earlier on PATH, such as pyenv's, may lack them).
python=(-DPython3_EXECUTABLE=/usr/bin/python3)

echo "== Release build and tests"
cmake -S . -B build -DANGIOLITH_WERROR=ON "${python[@]}" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
# The Python module is optional elsewhere; here its tests must have run.
ctest --test-dir build -N -R '^python_tests$' | grep -q 'Total Tests: 1' ||
    { echo "The Python module was not built: its tests did not run" >&2; exit 1; }

if [ -f build/tests/tools/report_in_browser/report.png ]; then
    echo "Screenshot of the report opened in Chromium: build/tests/tools/report_in_browser/report.png"
fi

echo "== Sanitizer build (address, undefined) and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DANGIOLITH_SANITIZE=ON -DANGIOLITH_WERROR=ON "${python[@]}" \
    >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== Thread sanitizer build and the multi-threaded tests"
# Only the library and the thread tests: whole analyses on several threads at once, and the
# handle table under many threads. halt_on_error makes any reported race fail the leg.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DANGIOLITH_TSAN=ON -DANGIOLITH_WERROR=ON \
    -DANGIOLITH_TOOLS=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target test_threads
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/test_threads

if [ -f fuzz/CMakeLists.txt ]; then
    echo "== Fuzzing"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DANGIOLITH_FUZZ=ON \
        -DANGIOLITH_TESTS=OFF -DANGIOLITH_TOOLS=OFF >/dev/null
    cmake --build build-fuzz -j"$jobs"
    bash fuzz/run.sh build-fuzz
fi
echo "All tests passed."
