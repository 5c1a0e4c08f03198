#!/usr/bin/env bash
# Installs what is missing, builds, and starts the host (quillet-host) with its sample feed
# plus Quillet. Without a display both run under Xvfb and a screenshot of Quillet's main
# window is saved instead.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages
build_preset release

HOST_PROGRAM="$QUILLET_BUILD/station/program/quillet-host"
QUILLET="$QUILLET_BUILD/app/quillet"
SHOT="$QUILLET_BUILD/quillet-demo.png"

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  echo "== No display: running under Xvfb"
  start_private_display
fi
# Keystrokes into the host need X11 windows, also on a Wayland desktop.
export QT_QPA_PLATFORM=xcb

run_demo() {
  "$HOST_PROGRAM" --feed "$(dirname "$HOST_PROGRAM")/sample_feed.txt" &
  local host=$!
  wait_for_bus_name "$QUILLET_HOST_BUS_NAME" || echo "quillet-host did not come onto the bus" >&2
  if [ "$headless" -eq 0 ]; then
    echo "== Quillet is running; close either window (or press Exit) to end the demo"
    "$QUILLET" || true
    kill "$host" 2>/dev/null || true
    return 0
  fi
  "$QUILLET" &
  local app=$!
  local id=""
  quillet_window() {
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"Quillet \[/ {print $1; exit}')
    [ -n "$id" ]
  }
  wait_until 10 quillet_window || true
  # The window is mapped before its table is filled from the host's log.
  sleep 1
  if [ -n "$id" ]; then
    import -window "$id" "$SHOT"
    echo "== Screenshot of Quillet's main window saved to $SHOT"
  else
    echo "Quillet's main window did not appear" >&2
  fi
  kill "$app" "$host" 2>/dev/null || true
  wait 2>/dev/null || true
  [ -n "$id" ]
}

status=0
if [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] && [ "$headless" -eq 0 ]; then
  run_demo || status=$?
else
  export -f run_demo wait_until wait_for_bus_name bus_name_owned
  export QUILLET_HOST_BUS_NAME
  export HOST_PROGRAM QUILLET SHOT headless
  dbus-run-session -- bash -c run_demo || status=$?
fi
[ "$headless" -eq 1 ] && stop_private_display
exit "$status"
