#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build with warnings as errors, and one under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

jobs=$(nproc)
run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DJOSTLE_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

echo "== Build and test =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOSTLE_BUILD_BENCHMARKS=ON
echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DJOSTLE_SANITIZE=ON
