#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest inside a private
# X display (Xvfb + openbox) and a private D-Bus session.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
build_quillet

start_private_display
trap stop_private_display EXIT

echo "== Running the tests (DISPLAY=$DISPLAY, private session bus)"
cd "$QUILLET_BUILD"
dbus-run-session -- ctest --output-on-failure --timeout 300 -j2 "$@"
