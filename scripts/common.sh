# Shared by the README's commands: package installation and the build.
# shellcheck shell=bash

QUILLET_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# The release preset's folder: the demo, the test command and the screenshots share it.
QUILLET_BUILD="$QUILLET_ROOT/build"
# The host's name on the session bus, which it takes once it is ready for calls.
QUILLET_HOST_BUS_NAME=com.peaksystems.UIView32

# What building the Debian packages needs (scripts/package.sh).
QUILLET_PACKAGING_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libxdo-dev libxcb-xtest0-dev libxcb-res0-dev libx11-xcb-dev libcurl4-openssl-dev libssl-dev
  dpkg-dev file librsvg2-bin
)

# What the packages for another architecture are built against, installed for that
# architecture beside the machine's own (scripts/package.sh --arch). libxdo-dev cannot be
# installed for two architectures at once, so the foreign build takes the machine's xdo.h and
# links the foreign libxdo3 directly.
QUILLET_CROSS_LIBRARIES=(
  qt6-base-dev libgl-dev libxdo3
  libxcb-xtest0-dev libxcb-res0-dev libx11-xcb-dev libcurl4-openssl-dev libssl-dev
)
# The foreign architectures the test command builds and installs the packages for.
QUILLET_CROSS_ARCHITECTURES=(arm64)

# Everything the program, its tests and its demo need, all from Debian's archive.
QUILLET_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libxdo-dev libxcb-xtest0-dev libxcb-res0-dev libx11-xcb-dev libcurl4-openssl-dev libssl-dev
  dbus dbus-x11 xvfb openbox x11-utils xauth imagemagick fonts-dejavu-core
  # the accessibility test: the AT-SPI bus, its reader for Debian's python3, keys typed by xdotool
  at-spi2-core gir1.2-atspi-2.0 xdotool
  python3-pyftpdlib python3-dbus python3-gi pure-ftpd openssh-server openssh-client openssl
  chromium clang libclang-rt-14-dev clang-format git
  # a desktop notification daemon; `dunstctl history` reads it back through systemd's busctl
  dunst systemd
  # the TNC the host's tests talk to
  direwolf
  # the feeds read back: libxml2 and nlohmann::json in the fuzz build, feedparser and xmllint in tests
  libxml2-dev nlohmann-json3-dev python3-feedparser libxml2-utils
  # the Debian packages, their checks, and the fresh Debian root they are installed into
  "${QUILLET_PACKAGING_PACKAGES[@]}" lintian desktop-file-utils appstream mmdebstrap uidmap
  # the foreign packages' install test runs their programs under qemu's user emulation
  qemu-user-static binfmt-support arch-test
)
# The differential test reads packets with js-aprs-fap, which its command installs from npm.
# Debian's node and npm only where npm is missing, so a machine's own node stays.
command -v npm >/dev/null 2>&1 || QUILLET_PACKAGES+=(nodejs npm)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "Need root rights to run: $*" >&2
    echo "Run this script as root or install sudo." >&2
    return 1
  fi
}

# not_installed PACKAGE...: prints those of the packages (name or name:arch) that are not
# installed, one a line.
not_installed() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      echo "$pkg"
  done
}

# install_missing_packages [PACKAGE...]: those given, or everything in QUILLET_PACKAGES.
install_missing_packages() {
  local missing=()
  local wanted=("$@")
  [ "$#" -gt 0 ] || wanted=("${QUILLET_PACKAGES[@]}")
  mapfile -t missing < <(not_installed "${wanted[@]}")
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "== All needed packages are installed"
    return 0
  fi
  echo "== Installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# install_cross_packages ARCH: the cross compiler for the Debian architecture ARCH (such as
# arm64) and QUILLET_CROSS_LIBRARIES for ARCH. Other people's builds share this machine's
# packages: apt's plan is simulated first, and one that would remove a package (such as a
# library that cannot be installed for two architectures) installs nothing. Upgrades stay
# allowed: both architectures' copies of a library must be the same version.
install_cross_packages() {
  local arch="$1" triplet plan removed
  triplet="$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_TYPE 2>/dev/null)" ||
    { echo "$arch is not a Debian architecture" >&2; return 1; }
  local missing=()
  mapfile -t missing < <(not_installed "g++-$triplet" "${QUILLET_CROSS_LIBRARIES[@]/%/:$arch}")
  if [ "${#missing[@]}" -eq 0 ]; then
    echo "== All packages for building for $arch are installed"
    return 0
  fi
  echo "== Installing for $arch: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qxF "$arch" || as_root dpkg --add-architecture "$arch"
  # Others may be installing at the same moment: wait for dpkg's lock rather than fail.
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
  as_root "${apt[@]}" update -q
  plan="$(as_root "${apt[@]}" install -s --no-install-recommends "${missing[@]}")"
  removed="$(sed -n 's/^Remv \([^ ]*\).*/\1/p' <<<"$plan" | tr '\n' ' ')"
  if [ -n "$removed" ]; then
    echo "Installing the $arch packages would remove ${removed}from this machine, so nothing" \
      "was installed." >&2
    return 1
  fi
  as_root "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
}

# build_preset PRESET [CMAKE-OPTION...]: configures and builds one of CMakePresets.json's
# configurations (release in build/, sanitize, fuzz, bench, package in build-PRESET/).
# Warnings are errors only when the caller (the test command) asks for it.
build_preset() {
  local preset="$1"
  shift
  echo "== Building the $preset configuration"
  cmake -S "$QUILLET_ROOT" --preset "$preset" "$@" >/dev/null
  cmake --build --preset "$preset" --parallel "$(nproc)"
}

# wait_until SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds;
# fails when SECONDS have passed without.
wait_until() {
  local tries=$(($1 * 10))
  shift
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# job_ended PID: whether the background job PID has ended; an ended job stays a zombie until
# `wait` collects its status.
job_ended() {
  local stat
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 0
  stat="${stat##*) }"
  [ "${stat:0:1}" = Z ]
}

# wait_for_job PID SECONDS: the exit status of the background job PID once it ends; 124, with
# the job still running, when it has not ended within SECONDS.
wait_for_job() {
  wait_until "$2" job_ended "$1" || return 124
  wait "$1"
}

# bus_name_owned NAME: whether a program holds NAME on the session bus.
bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}

# wait_for_bus_name NAME [SECONDS]: waits (default 10 s) until a program holds NAME on the
# session bus, such as the host's com.peaksystems.UIView32.
wait_for_bus_name() {
  wait_until "${2:-10}" bus_name_owned "$1"
}

# Fails when a tracked C++ file differs from what the root .clang-format makes of it.
check_formatting() {
  echo "== Checking the C++ formatting"
  local files=()
  mapfile -d '' files < <(git -C "$QUILLET_ROOT" ls-files -z -- '*.cpp' '*.h')
  (cd "$QUILLET_ROOT" && clang-format --dry-run --Werror "${files[@]}")
}

# window_manager_running: whether a window manager has announced itself on the display.
window_manager_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"
}

# start_private_display [WIDTHxHEIGHT]: starts Xvfb (1024x768 unless given) with openbox on a
# free display and exports DISPLAY; sets XVFB_PIDS. The server picks the display number
# itself, so that several displays can start at the same time.
start_private_display() {
  local number_file
  number_file="$(mktemp)"
  # -noreset: otherwise the server starts over whenever its last client leaves, and a client
  # that connects meanwhile (openbox, right after the check below) is turned away.
  Xvfb -displayfd 3 -noreset -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  XVFB_PIDS="$!"
  if ! wait_until 10 test -s "$number_file"; then
    rm -f "$number_file"
    echo "Xvfb did not start within 10 s" >&2
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
  # Window activation needs a window manager.
  openbox >/dev/null 2>&1 &
  XVFB_PIDS="$XVFB_PIDS $!"
  if ! wait_until 10 window_manager_running; then
    echo "openbox did not start on $DISPLAY within 10 s" >&2
    return 1
  fi
}

stop_private_display() {
  if [ -n "${XVFB_PIDS:-}" ]; then
    # shellcheck disable=SC2086
    kill $XVFB_PIDS 2>/dev/null || true
    wait 2>/dev/null || true
  fi
}
