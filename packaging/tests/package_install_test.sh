#!/usr/bin/env bash
# The Debian packages as an operator gets them: made by CPack from this build, checked with
# lintian, desktop-file-validate and appstreamcli, then installed with apt into a fresh
# Debian 12 root and run there by an ordinary user (inside_root.sh), and removed again.
#
# Usage: package_install_test.sh BUILD_DIR VERSION [ARCH]
# ARCH (default: this machine's) is the Debian architecture BUILD_DIR was built for; the root
# is made for it, and a foreign one runs under qemu's user emulation. Where this machine
# cannot run foreign programs, the test says so and ends with status 77 (skipped).
# QUILLET_APT_CACHE names a folder that keeps the downloaded packages between runs.
# Needs the network: the root comes from Debian's archive.
set -euo pipefail

build="$1"
version="$2"
arch="${3:-$(dpkg --print-architecture)}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cache="${QUILLET_APT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillet/debian12-apt}"
readonly SKIPPED=77

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits inside the root are this many times longer: an emulated Qt program starts slowly.
wait_scale=1
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  wait_scale=4
  cache="$cache-$arch"
  [ -f "$build/CPackConfig.cmake" ] ||
    fail "no $arch build in $build: scripts/test.sh makes it, as does scripts/package.sh --arch $arch"
  command -v arch-test >/dev/null || fail "needs arch-test and qemu-user-static (scripts/test.sh installs them)"
  # Foreign programs run through the kernel's binfmt_misc, which hands them to qemu. Where
  # it is not yet mounted or qemu is not registered, the test tries both itself.
  if ! arch-test "$arch" >/dev/null 2>&1; then
    # shellcheck source=../../scripts/common.sh
    source "$here/../../scripts/common.sh"
    if [ ! -e /proc/sys/fs/binfmt_misc/status ]; then
      as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc >/dev/null 2>&1 || true
    fi
    as_root update-binfmts --enable >/dev/null 2>&1 || true
  fi
  if ! arch-test "$arch" >/dev/null 2>&1; then
    echo "SKIPPED: this machine cannot run $arch programs (binfmt_misc with qemu-user-static)," \
      "so the $arch packages were not installed and run."
    exit "$SKIPPED"
  fi
fi

work="$(mktemp -d /tmp/quillet-package-test-XXXXXX)"
trap 'rm -rf "$work"' EXIT

echo "== Making the packages"
cpack --config "$build/CPackConfig.cmake" -B "$work/debs" >/dev/null
debs=("$work"/debs/*.deb)
[ "${#debs[@]}" -eq 2 ] || fail "CPack made ${#debs[@]} packages, not 2: ${debs[*]}"
for package in quillet quillet-host; do
  deb="$work/debs/${package}_${version}_$arch.deb"
  [ -f "$deb" ] || fail "no $deb: the package's name or version is not the project's"
  dpkg-deb -x "$deb" "$work/unpacked"
  depends="$(dpkg-deb -f "$deb" Depends)"
  # Worked out by dpkg-shlibdeps from the libraries the program links.
  case "$depends" in
    *libqt6widgets6*libstdc++6*) ;;
    *) fail "$package depends on '$depends'" ;;
  esac
done
[ "$(dpkg-deb -f "$work/debs/quillet_${version}"_*.deb Recommends)" = quillet-host ] ||
  fail "quillet does not recommend quillet-host"
[ "$(dpkg-deb -f "$work/debs/quillet-host_${version}"_*.deb Suggests)" = direwolf ] ||
  fail "quillet-host does not suggest direwolf"

echo "== lintian, desktop-file-validate, appstreamcli"
# Warnings fail too: each one left is overridden in the package with its reason.
status=0
lintian --fail-on error,warning "${debs[@]}" >"$work/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian found problems"
desktop-file-validate "$work"/unpacked/usr/share/applications/*.desktop ||
  fail "a desktop entry is not valid"
appstreamcli validate --no-net "$work"/unpacked/usr/share/metainfo/*.metainfo.xml ||
  fail "the AppStream metainfo is not valid"
grep -qF "version=\"$version\"" "$work"/unpacked/usr/share/metainfo/*.metainfo.xml ||
  fail "the metainfo's release is not $version"
zcat "$work/unpacked/usr/share/doc/quillet/changelog.gz" | head -n 1 | grep -qF "($version)" ||
  fail "the changelog's last entry is not $version"

echo "== A fresh $arch Debian 12 root: install, run as a user, remove (checks took $SECONDS s)"
mkdir -p "$cache"
# The programs need only what apt pulls in for them; the test brings an X server, a session
# bus and the X tools that read the window's caption.
# mmdebstrap works in a plain chroot as root and in a user namespace otherwise (uidmap, and
# subordinate ids in /etc/subuid); QUILLET_MMDEBSTRAP_MODE chooses another of its modes.
start=$SECONDS
# shellcheck disable=SC2016 # "$1" is the root's path, given to each hook by mmdebstrap
mmdebstrap --mode="${QUILLET_MMDEBSTRAP_MODE:-auto}" --variant=apt --architectures="$arch" \
  --include=xvfb,dbus-daemon,dbus-bin,x11-utils \
  --aptopt='APT::Install-Recommends "false"' --aptopt='Acquire::Languages "none"' \
  --dpkgopt=force-unsafe-io \
  --setup-hook='mkdir -p "$1/var/cache/apt/archives"' \
  --setup-hook="sync-in '$cache' /var/cache/apt/archives/" \
  --customize-hook="copy-in ${debs[*]} $here/inside_root.sh /tmp/" \
  --customize-hook="chroot \"\$1\" env QUILLET_WAIT_SCALE=$wait_scale bash /tmp/inside_root.sh" \
  --customize-hook="sync-out /var/cache/apt/archives '$cache'" \
  bookworm /dev/null \
  "deb http://deb.debian.org/debian bookworm main" \
  "deb http://deb.debian.org/debian bookworm-updates main" \
  "deb http://deb.debian.org/debian-security bookworm-security main" ||
  fail "the install in a fresh root failed (see above)"
echo "== Passed (the fresh root took $((SECONDS - start)) s)"
