#!/usr/bin/env bash
# Installs what is missing, builds the Release configuration in build-package/ and makes the
# Debian packages quillet and quillet-host from it with CPack; prints the paths of the
# .deb files. Install them with
#   sudo apt install ./build-package/packages/quillet_*.deb ./build-package/packages/quillet-host_*.deb
#
#   scripts/package.sh --arch arm64
# cross-builds the packages for 64-bit ARM (a Raspberry Pi on a 64-bit system) in
# build-package-arm64/, with Debian's cross compiler and the arm64 libraries installed beside
# this machine's own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

arch=""
while [ "$#" -gt 0 ]; do
  case "$1" in
    --arch)
      [ "$#" -ge 2 ] || { echo "--arch needs an architecture, such as arm64" >&2; exit 2; }
      arch="$2"
      shift 2
      ;;
    *)
      echo "Usage: scripts/package.sh [--arch arm64]" >&2
      exit 2
      ;;
  esac
done

install_missing_packages "${QUILLET_PACKAGING_PACKAGES[@]}"
# Neither tests nor benchmarks go into a package: they are not built here.
preset=package
if [ -n "$arch" ] && [ "$arch" != "$(dpkg --print-architecture)" ]; then
  preset="package-$arch"
  # A preset per architecture names its toolchain file and build folder.
  if ! grep -qF "\"name\": \"$preset\"" "$QUILLET_ROOT/CMakePresets.json"; then
    echo "Packages are built here for $(dpkg --print-architecture) and" \
      "${QUILLET_CROSS_ARCHITECTURES[*]}, not for $arch." >&2
    exit 2
  fi
  install_cross_packages "$arch"
fi
build_preset "$preset"
build="$QUILLET_ROOT/build-$preset"
out="$build/packages"
rm -f "$out"/*.deb
echo "== Making the packages in $out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
ls -1 "$out"/*.deb
