#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration in build-package/ and makes the
# Debian packages quillet and quillet-host from it with CPack; prints the paths of the
# .deb files. Install them with
#   sudo apt install ./build-package/packages/quillet_*.deb ./build-package/packages/quillet-host_*.deb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${QUILLET_PACKAGING_PACKAGES[@]}"
# Neither tests nor benchmarks go into a package: they are not built here.
build_preset package
build="$QUILLET_ROOT/build-package"
out="$build/packages"
rm -f "$out"/*.deb
echo "== Making the packages in $out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
ls -1 "$out"/*.deb
