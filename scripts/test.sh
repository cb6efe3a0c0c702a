#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build with warnings as errors (build-test/), and one under AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan/). Each sets every option it
# relies on, and a build without tests fails instead of passing empty.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

jobs=$(nproc)
run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DJOSTLE_WERROR=ON -DJOSTLE_BUILD_TESTS=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"
}

echo "== Build and test =="
run_suite build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOSTLE_SANITIZE=OFF \
    -DJOSTLE_BUILD_BENCHMARKS=ON
echo "== Build and test with AddressSanitizer and UndefinedBehaviorSanitizer =="
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DJOSTLE_SANITIZE=ON -DJOSTLE_BUILD_BENCHMARKS=OFF
