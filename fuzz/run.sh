#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on a copy of its seed corpus. Fails on any crash, leak
# or sanitizer report. Usage: fuzz/run.sh <build directory with ANGIOLITH_FUZZ=ON>
set -euo pipefail
build=${1:?usage: fuzz/run.sh <build directory>}
here="$(cd "$(dirname "$0")" && pwd)"
seconds=${ANGIOLITH_FUZZ_SECONDS:-30}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$here/lsan.supp:print_suppressions=0

run_target() {
    local target=$1 corpus=$2
    mkdir -p "$work/$target"
    cp "$here/corpus/$corpus"/* "$work/$target/"
    echo "== $target: ${seconds}s"
    # Crash reproducers go to the work directory; libFuzzer exits non-zero on any finding.
    # Inputs stay small (the readers' own checks bound what a file may claim) and so does memory.
    "$build/fuzz/$target" -max_total_time="$seconds" -detect_leaks=1 -print_final_stats=1 \
        -max_len=4096 -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -artifact_prefix="$work/" "$work/$target" 2>"$work/$target.log" || {
        tail -n 60 "$work/$target.log"
        echo "$target: FAILED"
        return 1
    }
    grep -E '^stat::number_of_executed_units' "$work/$target.log" || true
    # Sanitizer reports that did not stop the run still fail it.
    if grep -qE 'runtime error|ERROR: (Address|Leak)Sanitizer' "$work/$target.log"; then
        grep -E -A20 'runtime error|ERROR: (Address|Leak)Sanitizer' "$work/$target.log" | head -60
        echo "$target: FAILED"
        return 1
    fi
    echo "$target: passed"
}

run_target fuzz_tree_reader tree
run_target fuzz_image_reader image
