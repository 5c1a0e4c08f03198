#!/usr/bin/env bash
# Regenerates the pictures in docs/: Quillet's main window with the sample bulletins, the
# Add Message window, the Add Multiple board, the Setup window and the published web page.
#
# Installs what is missing, builds, installs the program into a temporary folder and runs
# the demo from there (host with its sample feed, then Quillet) under a private
# Xvfb display with openbox and a private session bus. Nothing touches the build folder's
# settings or the user's configuration.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

DOCS="$QUILLET_ROOT/docs"

# Pixel positions inside Quillet's main window (client area 746x530).
ADD_SINGLE_CENTRE=(44 16)   # "Add Single" at 8,8, 73x17
ADD_MULTIPLE_CENTRE=(120 16) # "Add Multiple" at 80,8, 81x17
SETUP_CENTRE=(628 16)       # "Setup" at 592,8, 73x17
# Add Message: "Close" at 472,72, 97x17. Add Multiple: "Exit" at 8,8, 65x17.
ADD_MESSAGE_CLOSE_CENTRE=(520 80)
ADD_MULTIPLE_EXIT_CENTRE=(40 16)
# Setup: "Test Webpage" at 8,248, 113x25; "Cancel" at 216,248, 81x25.
SETUP_TEST_CENTRE=(64 260)
SETUP_CANCEL_CENTRE=(256 260)

# Waits up to ten seconds for a visible window whose name matches the pattern exactly and
# prints its id.
wait_for_window() {
  local pattern="$1" id="" _
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^${pattern}\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "The window \"$pattern\" did not appear" >&2
  return 1
}

window_gone() {
  ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

wait_until_gone() {
  wait_until 10 window_gone "$1" && return 0
  echo "The window \"$1\" did not close" >&2
  return 1
}

click() {
  local id="$1" x="$2" y="$3"
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  xdotool mousemove --window "$id" "$x" "$y" click 1
}

# Gives the window time to paint, then saves its client area.
capture() {
  local id="$1" file="$2"
  sleep 1
  import -window "$id" "$file"
  echo "== Saved $file"
}

# Presses keys in the window: the accessibility test shows that every window opens this way.
press() {
  xdotool windowactivate --sync "$1" 2>/dev/null || true
  xdotool key --clearmodifiers "${@:2}"
}

# Ends the Quillet $2 whose main window is $1 with its Exit key, and waits for it.
end_quillet() {
  press "$1" alt+x
  wait "$2" || true
}

# The main window, Add Message, Add Multiple and Setup of the Quillet just started, opened with
# their keys and saved as docs/<name>-<suffix>.png; then Quillet ends.
capture_by_keys() {
  local suffix="$1" main window
  main=$(wait_for_window 'Quillet \[.*\]')
  capture "$main" "$DOCS/screenshot-$suffix.png"
  for pair in "alt+a:Quillet Add Message:add-message" \
    "alt+m:Quillet Add Multiple Messages:add-multiple" "alt+s:Setup:setup"; do
    IFS=: read -r key title file <<<"$pair"
    press "$main" "$key"
    window=$(wait_for_window "$title")
    capture "$window" "$DOCS/$file-$suffix.png"
    press "$window" Escape
    wait_until_gone "$title"
  done
  end_quillet "$main" "$app"
}

# The part that runs on the private display and bus: $1 is the installed program folder,
# $2 the folder the page is copied to.
capture_windows() {
  local program="$1" web="$2"
  local host="$program/host/quillet-host"
  export QT_QPA_PLATFORM=xcb

  "$host" --feed "$program/host/sample_feed.txt" &
  host_pid=$!
  wait_for_bus_name "$QUILLET_HOST_BUS_NAME" || echo "quillet-host did not come onto the bus" >&2
  "$program/quillet" &
  app=$! # the Quillet running now; the later ones replace it
  # shellcheck disable=SC2016
  trap 'kill $app $host_pid 2>/dev/null || true' EXIT

  local main
  main=$(wait_for_window 'Quillet \[.*\]')
  capture "$main" "$DOCS/screenshot.png"

  click "$main" "${ADD_SINGLE_CENTRE[@]}"
  local message
  message=$(wait_for_window 'Quillet Add Message')
  capture "$message" "$DOCS/add-message.png"
  click "$message" "${ADD_MESSAGE_CLOSE_CENTRE[@]}"
  wait_until_gone 'Quillet Add Message'

  click "$main" "${ADD_MULTIPLE_CENTRE[@]}"
  local board
  board=$(wait_for_window 'Quillet Add Multiple Messages')
  capture "$board" "$DOCS/add-multiple.png"
  click "$board" "${ADD_MULTIPLE_EXIT_CENTRE[@]}"
  wait_until_gone 'Quillet Add Multiple Messages'

  click "$main" "${SETUP_CENTRE[@]}"
  local setup
  setup=$(wait_for_window 'Setup')
  capture "$setup" "$DOCS/setup.png"
  # One publishing pass at once; it ends with a "done." box.
  click "$setup" "${SETUP_TEST_CENTRE[@]}"
  local done_box
  done_box=$(wait_for_window 'Quillet')
  sleep 0.5
  xdotool windowactivate --sync "$done_box" 2>/dev/null || true
  xdotool key --clearmodifiers Return
  wait_until_gone 'Quillet'
  click "$setup" "${SETUP_CANCEL_CENTRE[@]}"
  wait_until_gone 'Setup'

  if [ ! -f "$web/quillet.htm" ]; then
    echo "Publishing left no page in $web" >&2
    return 1
  fi
  end_quillet "$main" "$app"

  # Twice the scale, as on a high-resolution screen or for low vision: nothing may be cut.
  QT_SCALE_FACTOR=2 "$program/quillet" &
  app=$!
  capture_by_keys scale2
  # A desktop font twice Qt's own, as a desktop's large-text setting gives it through the GTK
  # platform theme: text and windows grow together.
  mkdir -p "$XDG_CONFIG_HOME/gtk-3.0"
  printf '[Settings]\ngtk-font-name=DejaVu Sans 18\n' >"$XDG_CONFIG_HOME/gtk-3.0/settings.ini"
  QT_QPA_PLATFORMTHEME=gtk3 "$program/quillet" &
  app=$!
  capture_by_keys large-font
  rm -r "$XDG_CONFIG_HOME/gtk-3.0"
  # The desktop's colours, as a high-contrast theme would have them.
  printf '%s\r\n' "USE_DESKTOP_COLOURS=TRUE" >>"$program/quillet.ini"
  "$program/quillet" &
  app=$!
  capture_by_keys desktop-colours

  dbus-send --session --print-reply --dest=com.peaksystems.UIView32 /UIView32 \
    org.quillet.HostControl1.Quit >/dev/null 2>&1 || kill "$host_pid"
  wait "$app" || true
  wait "$host_pid" || true
  trap - EXIT
}

if [ "${1:-}" = "--inside-session" ]; then
  capture_windows "$2" "$3"
  exit 0
fi

QUILLET_PACKAGES+=(xdotool qt6-gtk-platformtheme)
install_missing_packages
build_preset release

work="$(mktemp -d "/tmp/quillet-shots-XXXXXX")"
cleanup() {
  stop_private_display
  rm -rf "$work"
}
trap cleanup EXIT

program="$work/quillet"
web="$work/web"
mkdir -p "$web" "$work/config" "$work/chromium"
cmake --install "$QUILLET_BUILD" --prefix "$program" >/dev/null
# Publishing copies the page into $web every minute and at a click on "Test Webpage".
printf '%s\r\n' "FTP_HOST=localhost" "AUTO_COPY_ENABLED=TRUE" "COPY_TO_DIRECTORY=$web" \
  "WEBPAGE_UPDATE_EVERY=1" "HTML_FILENAME=quillet.htm" >"$program/quillet.ini"

mkdir -p "$DOCS"
# Room for the windows at twice the scale.
start_private_display 1600x1200
XDG_CONFIG_HOME="$work/config" dbus-run-session -- bash "${BASH_SOURCE[0]}" --inside-session "$program" "$web"

timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/chromium" --hide-scrollbars --window-size=1000,640 \
  --screenshot="$DOCS/web-page.png" "file://$web/quillet.htm" >/dev/null 2>&1
[ -s "$DOCS/web-page.png" ] || { echo "Chromium saved no picture of the page" >&2; exit 1; }
echo "== Saved $DOCS/web-page.png"
