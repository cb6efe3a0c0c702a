#!/usr/bin/env bash
# Installs what is missing, makes a release build in build-package/ and the
# Debian package from it: build-package/jostle_<version>_<arch>.deb, which
# lintian must pass without an error or a warning.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/deps.sh "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DJOSTLE_BUILD_TESTS=OFF \
    -DJOSTLE_BUILD_BENCHMARKS=OFF -DJOSTLE_SANITIZE=OFF -DJOSTLE_WERROR=OFF >/dev/null
cmake --build build-package
rm -rf build-package/cpack
cpack -G DEB --config build-package/CPackConfig.cmake -B build-package/cpack >/dev/null
deb=$(basename build-package/cpack/jostle_*.deb)
mv "build-package/cpack/$deb" build-package/
# lintian warns when it runs as root; what it finds goes to standard output.
lintian --fail-on error,warning "build-package/$deb" 2>/dev/null
echo "Made build-package/$deb; install it with: apt install ./build-package/$deb"
