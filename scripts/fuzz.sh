#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (the code under test
# instrumented, with AddressSanitizer and UndefinedBehaviorSanitizer), then
# runs each for the given seconds (default 60), one after another, at the
# lowest priority. What a run finds is merged with the kept corpus into a
# small set covering the same edges, which replaces tests/fuzz/<target>/corpus.
# Inputs that fail are left as build-fuzz/runs/<target>/crash-* (or leak-*, timeout-*, oom-*).
# A run stopped early with SIGINT (kill -INT <fuzzer's pid>) still merges.
# Usage: scripts/fuzz.sh [seconds [target...]]   targets: hive store legacy_ini period
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev cmake ninja-build)
scripts/deps.sh "${FUZZ_PACKAGES[@]}"

seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(hive store legacy_ini period)

CXX=clang++-14 cmake -S tests/fuzz -B build-fuzz -G Ninja >/dev/null
nice -n 19 cmake --build build-fuzz -j "$(nproc)" >/dev/null

# The store and import targets write files for every input: keep them in memory.
[[ -w /dev/shm ]] && export TMPDIR=/dev/shm

failed=0
for target in "${targets[@]}"; do
    kept=tests/fuzz/$target/corpus
    runs=build-fuzz/runs/$target
    rm -rf "$runs/new" "$runs/minimal"
    mkdir -p "$runs/new" "$runs/minimal"
    echo "== $target: ${seconds}s"
    nice -n 19 "build-fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$runs/" "$runs/new" "$kept" 2>"$runs/log" ||
        failed=1
    grep -E '^#[0-9]+\s' "$runs/log" | tail -n 1 || true
    grep -E '^stat::number_of_executed_units|^SUMMARY|^==[0-9]+==ERROR' "$runs/log" || true
    # Merged on edges alone (not hit counts), so the kept corpus stays small.
    nice -n 19 "build-fuzz/fuzz_$target" -merge=1 -use_counters=0 -max_len=4096 -timeout=10 \
        "$runs/minimal" "$kept" "$runs/new" 2>"$runs/merge.log"
    rm -f "$kept"/*
    cp "$runs/minimal"/* "$kept"/
    echo "   corpus: $(find "$kept" -type f | wc -l) files, $(du -sb "$kept" | cut -f1) bytes"
done
exit "$failed"
