#!/usr/bin/env bash
# Installs what is missing, builds Jostle and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJOSTLE_BUILD_TESTS=OFF >/dev/null
cmake --build build --target jostle
exec build/app/jostle "$@"
