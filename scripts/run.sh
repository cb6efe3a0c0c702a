#!/usr/bin/env bash
# Installs what is missing, builds Jostle in build/ and runs it. The tests
# build elsewhere (scripts/test.sh), so neither changes the other's options.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOSTLE_BUILD_TESTS=OFF \
    -DJOSTLE_BUILD_BENCHMARKS=OFF -DJOSTLE_SANITIZE=OFF -DJOSTLE_WERROR=OFF >/dev/null
cmake --build build --target jostle
exec build/app/jostle "$@"
