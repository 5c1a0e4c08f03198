#!/usr/bin/env bash
# The installed program folder runs from wherever it is copied: installs the current build
# into a temporary folder, moves a copy of it elsewhere, removes the original, and runs the
# demo from the copy on the private session bus the test command provides.
#
# Usage: install_test.sh BUILD_DIR SOURCE_DIR CMAKE
set -euo pipefail

build="$1"
source_dir="$2"
cmake="$3"
# wait_until, wait_for_bus_name and wait_for_job
source "$source_dir/scripts/common.sh"

readonly SERVICE=com.peaksystems.UIView32
readonly HOST_PATH=/UIView32
readonly CONTROL=org.quillet.HostControl1

# A blank in the copy's path (below) catches paths used unquoted.
work="$(mktemp -d /tmp/quillet-install-test-XXXXXX)"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

call() { # interface method [arguments...]
  dbus-send --session --print-reply --dest="$SERVICE" "$HOST_PATH" "$1.$2" "${@:3}"
}

log_reads() {
  call "$CONTROL" MessageLogReads 2>/dev/null | awk '/int32/ {print $2}'
}

# The host counts every read of its log, the test's own included.
reads_before=0
quillet_has_read_the_log() {
  local reads
  reads="$(log_reads)"
  [ -n "$reads" ] && [ "$reads" -gt "$reads_before" ]
}

# Started from / so that nothing is found relative to the working directory.
start_host() {
  (cd / && exec env XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen \
    "$copy/host/quillet-host") 2>"$work/host.err" &
  host=$!
  pids+=("$host")
  wait_for_bus_name "$SERVICE" || fail "the installed host did not come onto the bus"
}

# Waits for the host to end after Quit and checks how it ended.
quit_host() {
  call "$CONTROL" Quit >/dev/null || fail "the host did not answer Quit"
  local status=0
  wait_for_job "$host" 10 || status=$?
  [ "$status" -ne 124 ] || fail "the host did not end within 10 s of Quit"
  [ "$status" -eq 0 ] || fail "the host ended with status $status"
}

echo "== Installing $build"
"$cmake" --install "$build" --prefix "$work/installed" >/dev/null

# Everything in one folder, the host's defaults beside it.
for file in quillet quillet.template quillet.js1 quillet.desktop \
  host/quillet-host host/sample_feed.txt \
  host/maps/demo.gif host/maps/demo.inf; do
  [ -f "$work/installed/$file" ] || fail "$file is not installed"
done
for program in quillet host/quillet-host; do
  [ -x "$work/installed/$program" ] || fail "$program is not executable"
  # Qt comes from the system: no library search path may point into a build or install
  # folder; one relative to the executable would move with it.
  while read -r path; do
    case "$path" in
      \$ORIGIN*) ;;
      *) fail "$program searches libraries in $path" ;;
    esac
  done < <(readelf -d "$work/installed/$program" |
    sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p' | tr ':' '\n')
done
cmp -s "$work/installed/quillet.template" "$source_dir/publishing/quillet.template" ||
  fail "the installed quillet.template is not the page template"
cmp -s "$work/installed/quillet.js1" "$source_dir/publishing/quillet.js1" ||
  fail "the installed quillet.js1 is not the page script"
[ ! -e "$work/installed/quillet.ini" ] || fail "the install ships a settings file"

mkdir "$work/moved here"
copy="$work/moved here/Quillet"
cp -a "$work/installed" "$copy"
rm -rf "$work/installed"

echo "== The host from the copy finds its feed and map"
start_host
map_object="$(call "$SERVICE" CurrentMap | sed -n 's/^ *object path "\(.*\)"$/\1/p')"
map="$(dbus-send --session --print-reply --dest="$SERVICE" "$map_object" \
  "$SERVICE.Map.MapFileName" | sed -n 's/^ *string "\(.*\)"$/\1/p')"
[ "$map" = "$copy/host/maps/demo.gif" ] || fail "the host shows the map '$map'"
first_sender="$(grep -v '^#' "$copy/host/sample_feed.txt" | grep -m1 '|' | cut -d'|' -f1)"
call "$SERVICE" MessageLog int32:2 | grep -q "$first_sender" ||
  fail "the host's log lacks the sample feed's first bulletin (from $first_sender)"
if grep -q "^quillet-host: " "$work/host.err"; then
  cat "$work/host.err" >&2
  fail "the host complained (a missing map information file gives no map title)"
fi

echo "== Quillet from the copy runs against it and ends with it"
reads_before="$(log_reads)"
(cd / && exec env XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen "$copy/quillet") &
app=$!
pids+=("$app")
wait_until 20 quillet_has_read_the_log || fail "Quillet never read the host's log"
[ -f "$copy/quillet.ini" ] || fail "Quillet made no quillet.ini in its folder"
[ "$(head -n 1 "$copy/quillet.ini" | tr -d '\r')" = "FTP_HOST=localhost" ] ||
  fail "the new quillet.ini does not start with the default FTP host"
# Registered with the host under the copy's path, which the host recorded as its folder.
grep -qF "\"$copy/quillet\"" "$copy/host/QUILLET.XTR" ||
  fail "QUILLET.XTR does not name the copied executable"
echo "== A second Quillet from the same folder says so and ends"
second=0
(cd / && env XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen timeout 20 \
  "$copy/quillet") 2>"$work/second.err" || second=$?
grep -qF "Quillet is already running from this folder" "$work/second.err" ||
  fail "the second Quillet did not say that one is running (status $second)"
[ "$second" -ne 0 ] && [ "$second" -ne 124 ] || fail "the second Quillet ended with status $second"
echo "== Without a display Quillet says so in one sentence and ends with status 1"
for display in "" ":4711"; do
  status=0
  (cd / && env DISPLAY="$display" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb timeout 20 \
    "$copy/quillet") 2>"$work/no-display.err" || status=$?
  [ "$status" -eq 1 ] && [ "$(wc -l <"$work/no-display.err")" -eq 1 ] &&
    grep -q "^quillet needs an X11 display: " "$work/no-display.err" ||
    fail "with DISPLAY='$display' Quillet ended with status $status: $(cat "$work/no-display.err")"
done
quit_host
status=0
wait_for_job "$app" 10 || status=$?
[ "$status" -ne 124 ] || fail "Quillet did not end within 10 s of the host closing"
[ "$status" -eq 0 ] || fail "Quillet ended with status $status when the host closed"

echo "== The desktop entry starts the copied program"
if [ "${QUILLET_SKIP_X11_TESTS:-0}" = "1" ]; then
  echo "skipped: QUILLET_SKIP_X11_TESTS=1 (the entry starts Quillet on X11)"
else
  [ -n "${DISPLAY:-}" ] || fail "no DISPLAY: the entry starts Quillet on X11"
  # As a launcher does: the value's "\\" read as "\", %k replaced by the entry's own path,
  # then the words taken apart with the shell's quoting rules.
  exec_line="$(sed -n 's/^Exec=//p' "$copy/quillet.desktop")"
  command="${exec_line//\\\\/\\}"
  command="${command//%k/\'$copy/quillet.desktop\'}"
  rm "$copy/quillet.ini"
  start_host
  reads_before=0
  (cd / && eval "exec $command") &
  app=$!
  pids+=("$app")
  wait_until 20 quillet_has_read_the_log || fail "the entry's Quillet never read the host's log"
  [ -f "$copy/quillet.ini" ] || fail "the entry's Quillet made no quillet.ini in the copy"
  quit_host
  status=0
  wait_for_job "$app" 10 || status=$?
  [ "$status" -ne 124 ] || fail "the entry's Quillet did not end within 10 s of the host closing"
  [ "$status" -eq 0 ] || fail "the entry's Quillet ended with status $status"
fi
echo "== Passed"
