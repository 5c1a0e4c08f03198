#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration in build-package/ and makes the
# Debian packages quillet and quillet-host from it with CPack; prints the paths of the
# .deb files. Install them with
#   sudo apt install ./build-package/packages/quillet_*.deb ./build-package/packages/quillet-host_*.deb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${QUILLET_PACKAGING_PACKAGES[@]}"
build="${QUILLET_PACKAGE_BUILD:-$QUILLET_ROOT/build-package}"
# Neither tests nor benchmarks go into a package: they are not built here.
build_quillet "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLET_BUILD_TESTS=OFF \
  -DQUILLET_BUILD_BENCH=OFF
out="$build/packages"
rm -f "$out"/*.deb
echo "== Making the packages in $out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
ls -1 "$out"/*.deb
