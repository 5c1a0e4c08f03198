#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds the Release configuration (what a
# packager builds) with warnings as errors, and runs every test with ctest inside a private X
# display (Xvfb + openbox) and a private D-Bus session; then runs the whole suite again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
# The packages for the 64-bit Raspberry Pi are cross-built too, for the suite to install them
# into an arm64 root under emulation.
#   QUILLET_SANITIZE=0      skip the sanitizer build
#   QUILLET_FUZZ_SECONDS=N  seconds per fuzz target (default 60; 0 skips fuzzing)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
for arch in "${QUILLET_CROSS_ARCHITECTURES[@]}"; do
  install_cross_packages "$arch"
done
check_formatting
"$QUILLET_ROOT/scripts/check_layers.sh"
# The suite runs on the Release configuration, what a packager builds, with warnings as
# errors, so a packager's build never breaks and no second full build is needed.
build_preset release -DQUILLET_WERROR=ON
for arch in "${QUILLET_CROSS_ARCHITECTURES[@]}"; do
  build_preset "package-$arch" -DQUILLET_WERROR=ON
done

start_private_display
trap stop_private_display EXIT

# Programs started by the tests keep their per-user files in here, never in the user's own.
XDG_CONFIG_HOME="$(mktemp -d)"
export XDG_CONFIG_HOME

# No test is run twice: a test that fails now and then is a fault, in the program or the test.
echo "== Running the tests (DISPLAY=$DISPLAY, private session bus)"
(cd "$QUILLET_BUILD" &&
  dbus-run-session -- ctest --output-on-failure --timeout 300 -j2 "$@")
# ctest lists a skipped test by name only; its reason is in ctest's log.
grep -h '^SKIPPED: ' "$QUILLET_BUILD/Testing/Temporary/LastTest.log" || true

if [ "${QUILLET_SANITIZE:-1}" != 0 ]; then
  # Light optimisation and line tables only (the preset's flags): the reports keep their
  # lines, the build its pace.
  build_preset sanitize
  echo "== Running the tests with the sanitizers"
  # Any report fails the run. Leaks inside the system's own libraries (fontconfig, D-Bus,
  # the X libraries) are theirs and listed in the suppressions file.
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0"
  export LSAN_OPTIONS="suppressions=$QUILLET_ROOT/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  (cd "$QUILLET_ROOT/build-sanitize" &&
    dbus-run-session -- ctest --output-on-failure --timeout 600 -j2 "$@")
  unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
fi

if [ "${QUILLET_FUZZ_SECONDS:-60}" != 0 ]; then
  "$QUILLET_ROOT/scripts/fuzz.sh" "${QUILLET_FUZZ_SECONDS:-60}"
fi
