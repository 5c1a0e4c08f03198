#!/usr/bin/env bash
# Runs inside the fresh Debian root, started by package_install_test.sh: installs the two
# packages with apt, runs them as an ordinary user (the same script, "as-user"), checks
# that nothing was written under /usr, and removes them.
set -euo pipefail

readonly SERVICE=com.peaksystems.UIView32
readonly USER_NAME=ham
readonly USER_HOME=/home/ham
# How many times longer than usual every wait is: an emulated foreign program starts slowly.
readonly scale="${QUILLET_WAIT_SCALE:-1}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

wait_until() { # seconds command...
  local tenths=$(($1 * 10 * scale)) i
  for ((i = 0; i < tenths; i++)); do
    "${@:2}" && return 0
    sleep 0.1
  done
  return 1
}

# Whether a background job has ended: gone, or a zombie until `wait` collects its status.
job_ended() {
  [ ! -e "/proc/$1" ] || grep -q ') Z' "/proc/$1/stat" 2>/dev/null
}

# --- as root -------------------------------------------------------------------------
as_root() {
  export DEBIAN_FRONTEND=noninteractive
  cd /tmp
  echo "== apt-get install ./quillet_*.deb ./quillet-host_*.deb"
  apt-get install -y -q ./quillet_*.deb ./quillet-host_*.deb >/tmp/apt.log 2>&1 ||
    { cat /tmp/apt.log; fail "apt-get install failed"; }
  echo "   installed in $SECONDS s"
  local ours
  ours="$(dpkg -L quillet quillet-host)"

  echo "$USER_NAME:x:1000:1000:Station operator:$USER_HOME:/bin/bash" >>/etc/passwd
  echo "$USER_NAME:x:1000:" >>/etc/group
  mkdir -p "$USER_HOME" && chown 1000:1000 "$USER_HOME"
  mkdir -m 1777 /tmp/.X11-unix
  touch /tmp/installed-mark

  echo "== Running both programs as $USER_NAME"
  setpriv --reuid=1000 --regid=1000 --clear-groups \
    env -i HOME="$USER_HOME" USER="$USER_NAME" LOGNAME="$USER_NAME" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 QUILLET_WAIT_SCALE="$scale" bash /tmp/inside_root.sh as-user

  echo "   both programs checked after $SECONDS s"
  local written
  written="$(find /usr -cnewer /tmp/installed-mark)"
  [ -z "$written" ] || fail "written under /usr while the programs ran: $written"

  echo "== apt-get remove quillet quillet-host"
  apt-get remove -y -q quillet quillet-host >/tmp/apt.log 2>&1 ||
    { cat /tmp/apt.log; fail "apt-get remove failed"; }
  local path
  while read -r path; do
    if [ -e "$path" ] && [ ! -d "$path" ]; then
      fail "$path is left after the removal"
    fi
  done <<<"$ours"
  for path in /usr/share/quillet /usr/share/quillet-host /usr/share/doc/quillet; do
    [ ! -e "$path" ] || fail "$path is left after the removal"
  done
}

# --- as the user ----------------------------------------------------------------------
as_user() {
  # The root shares the machine's abstract socket names: Xvfb picks a display number that
  # no other X server uses. -noreset: without it the server starts over when its last client
  # (the xdpyinfo below) leaves, and a program connecting during that can be turned away.
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$HOME/display" >/tmp/xvfb.log 2>&1 &
  local xvfb=$!
  wait_until 20 test -s "$HOME/display" || { cat /tmp/xvfb.log; fail "Xvfb did not write its display number within $((20 * scale)) s"; }
  DISPLAY=":$(head -n 1 "$HOME/display")"
  export DISPLAY QT_QPA_PLATFORM=xcb
  wait_until 20 xdpyinfo >/dev/null 2>&1 || { cat /tmp/xvfb.log; fail "Xvfb did not answer xdpyinfo within $((20 * scale)) s"; }
  local status=0
  dbus-run-session -- bash /tmp/inside_root.sh in-session || status=$?
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  return "$status"
}

on_bus() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner "string:$SERVICE" 2>/dev/null | grep -q "boolean true"
}

host_call() { # method [arguments...]
  dbus-send --session --print-reply --dest="$SERVICE" /UIView32 "$SERVICE.$1" "${@:2}"
}

window_named() {
  xwininfo -root -tree | grep -qF "\"$1\""
}

# Starts Quillet on the display and waits for its caption, which the first answer from
# the host sets together with the table of bulletins.
start_quillet() {
  quillet 2>"$HOME/quillet.err" &
  app=$!
  wait_until 30 window_named "Quillet [$callsign]" ||
    { cat "$HOME/quillet.err" >&2; fail "no window 'Quillet [$callsign]' within $((30 * scale)) s"; }
}

stop_quillet() {
  kill "$app"
  wait "$app" 2>/dev/null || true
}

# A start that must end at once with status 1 and a message holding each given word.
refused_start() { # name word... -- command [argument...]
  local name="$1" words=()
  shift
  while [ "$1" != "--" ]; do
    words+=("$1")
    shift
  done
  shift
  local status=0
  QT_QPA_PLATFORM=offscreen timeout $((20 * scale)) "$@" >/dev/null 2>"$HOME/refused.err" || status=$?
  [ "$status" -eq 1 ] || { cat "$HOME/refused.err" >&2; fail "$name: ended with status $status"; }
  local word
  for word in "${words[@]}"; do
    grep -qF "$word" "$HOME/refused.err" ||
      { cat "$HOME/refused.err" >&2; fail "$name: the message lacks '$word'"; }
  done
}

listing() {
  ls -la --time-style=full-iso "$1"
}

in_session() {
  cd "$HOME"
  local feed=/usr/share/quillet-host/sample_feed.txt
  quillet-host --feed "$feed" 2>"$HOME/host.err" &
  local host=$!
  wait_until 20 on_bus || { cat "$HOME/host.err" >&2; fail "quillet-host did not come onto the bus within $((20 * scale)) s"; }
  callsign="$(host_call StationCallsign | sed -n 's/^ *string "\(.*\)"$/\1/p')"
  local first_sender
  first_sender="$(grep -v '^#' "$feed" | grep -m1 '|' | cut -d'|' -f1)"
  host_call MessageLog int32:2 | grep -qF "$first_sender" ||
    fail "the host's log lacks the installed feed's first bulletin (from $first_sender)"

  echo "== Quillet from /usr/bin shows the host's bulletins and keeps its files in ~/.config"
  start_quillet
  local folder="$HOME/.config/quillet"
  [ -f "$folder/quillet.ini" ] || fail "no $folder/quillet.ini"
  cmp -s "$folder/quillet.template" /usr/share/quillet/quillet.template ||
    fail "no copy of the page template in $folder"
  cmp -s "$folder/quillet.js1" /usr/share/quillet/quillet.js1 ||
    fail "no copy of the page script in $folder"
  grep -qF "in $folder" "$HOME/quillet.err" || fail "the first start did not say where the files are"
  local host_folder="$HOME/.local/share/quillet-host"
  grep -qxF "Program Folder=$host_folder/" "$HOME/.config/Peak Systems/UI-View32.ini" ||
    fail "the host did not record $host_folder/ as its program folder"
  wait_until 10 test -f "$host_folder/QUILLET.XTR" || fail "Quillet wrote no $host_folder/QUILLET.XTR within $((10 * scale)) s"
  grep -qF '"/usr/bin/quillet"' "$host_folder/QUILLET.XTR" ||
    fail "QUILLET.XTR does not name /usr/bin/quillet"
  ! grep "^quillet-host: " "$HOME/host.err" || fail "the host complained"
  stop_quillet

  echo "== An edited template stays; an unreadable one is named"
  echo "edited" >"$folder/quillet.template"
  chmod 000 "$folder/quillet.template"
  start_quillet
  grep -qF "$folder/quillet.template cannot be read" "$HOME/quillet.err" ||
    { cat "$HOME/quillet.err" >&2; fail "the unreadable template is not named"; }
  stop_quillet
  chmod 600 "$folder/quillet.template"
  [ "$(cat "$folder/quillet.template")" = edited ] || fail "the edited template was replaced"

  echo "== Folders that cannot be written end the start untouched"
  local before
  chmod 500 "$folder"
  before="$(listing "$folder")"
  refused_start "Quillet, read-only ~/.config/quillet" "$folder" "Permission denied" -- quillet
  [ "$(listing "$folder")" = "$before" ] || fail "Quillet changed $folder"
  chmod 700 "$folder"

  mkdir "$HOME/copy"
  cp /usr/bin/quillet /usr/share/quillet/quillet.template "$HOME/copy/"
  chmod 555 "$HOME/copy"
  before="$(listing "$HOME/copy")"
  refused_start "Quillet, read-only folder install" "$HOME/copy" "Permission denied" -- \
    "$HOME/copy/quillet"
  [ "$(listing "$HOME/copy")" = "$before" ] || fail "Quillet changed its read-only folder"

  chmod 500 "$host_folder"
  before="$(listing "$host_folder")"
  refused_start "quillet-host, read-only program folder" "$host_folder" "Permission denied" -- \
    quillet-host --feed "$feed"
  [ "$(listing "$host_folder")" = "$before" ] || fail "quillet-host changed $host_folder"
  chmod 700 "$host_folder"

  dbus-send --session --print-reply --dest="$SERVICE" /UIView32 org.quillet.HostControl1.Quit >/dev/null
  wait_until 10 job_ended "$host" || fail "quillet-host did not end within $((10 * scale)) s of Quit"
  wait "$host" || fail "quillet-host ended with status $?"
}

case "${1:-}" in
  as-user) as_user ;;
  in-session) in_session ;;
  *) as_root ;;
esac
