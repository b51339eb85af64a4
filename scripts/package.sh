#!/usr/bin/env bash
# Builds the Debian package quelmrdr_VERSION_ARCH.deb in build-package/ with
# Debian's hardening flags, and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh dpkg-dev fakeroot file lintian

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELMRDR_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
ninja -C build-package
rm -f build-package/quelmrdr_*.deb
(cd build-package && cpack -G DEB >/dev/null)
package=$(ls build-package/quelmrdr_*.deb)
# Errors fail the build; warnings are shown.
lintian --fail-on error --tag-display-limit 0 --display-info "$package"
echo "$package"
