#!/usr/bin/env bash
# Runs the tests that drive a real X display and session bus (ctest label "display") over
# and over, two rounds side by side, each round on a display and bus of its own, while busy
# loops keep every core loaded. A test that fails is printed with its output; a test that
# does not end within its time limit is printed with the backtraces of every thread of every
# process it started, then killed. The last line reads "N passed, M failed".
#
#   scripts/soak.sh [ROUNDS]      default 10 rounds; needs a build (scripts/test.sh makes one)
#   QUILLET_SOAK_JOBS=N           rounds side by side (default 2)
#   QUILLET_SOAK_LOAD=0           no busy loops
#   QUILLET_SOAK_TESTS=REGEX      only the display tests whose names match
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ROUNDS="${1:-10}"
JOBS="${QUILLET_SOAK_JOBS:-2}"
case "$ROUNDS$JOBS" in
*[!0-9]*)
  echo "usage: scripts/soak.sh [ROUNDS] (a whole number)" >&2
  exit 2
  ;;
esac
install_missing_packages gdb xvfb openbox x11-utils dbus
if [ ! -f "$QUILLET_BUILD/CTestTestfile.cmake" ]; then
  echo "No build in $QUILLET_BUILD: run scripts/test.sh (or cmake --preset release) first." >&2
  exit 2
fi

WORK="$(mktemp -d)"
LOAD_PIDS=()
cleanup() {
  [ "${#LOAD_PIDS[@]}" -eq 0 ] || kill "${LOAD_PIDS[@]}" 2>/dev/null || true
  # The displays of rounds cut short by an interrupt.
  cat "$WORK"/displays-* 2>/dev/null | xargs -r kill 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
trap "exit 130" INT TERM

# One line per test: name, time limit, environment (NAME=value separated by \x1f) and the
# command (arguments separated by \x1f), fields separated by tabs.
(cd "$QUILLET_BUILD" && ctest -N -L display -R "${QUILLET_SOAK_TESTS:-.}" --show-only=json-v1) | /usr/bin/python3 -c '
import json, sys
for test in json.load(sys.stdin)["tests"]:
    props = {p["name"]: p["value"] for p in test.get("properties", [])}
    print("\t".join([test["name"], str(int(float(props.get("TIMEOUT", 60)))),
                     "\x1f".join(props.get("ENVIRONMENT", [])),
                     "\x1f".join(test["command"])]))
' >"$WORK/tests"
if [ ! -s "$WORK/tests" ]; then
  echo "The build lists no test labelled \"display\"." >&2
  exit 2
fi
echo "== Soaking $(wc -l <"$WORK/tests") tests, $ROUNDS rounds, $JOBS side by side"

if [ "${QUILLET_SOAK_LOAD:-1}" != 0 ]; then
  # Bounded, so that a soak killed from outside leaves no loop behind for long.
  for _ in $(seq "$(nproc)"); do
    timeout 4h sh -c 'while :; do :; done' &
    LOAD_PIDS+=("$!")
  done
fi

# descendants PID: PID and every process below it.
descendants() {
  local child
  echo "$1"
  for child in $(pgrep -P "$1" || true); do
    descendants "$child"
  done
}

# run_test LINE OUTPUT: runs one test with its time limit; on a hang prints the backtraces
# of all its processes into OUTPUT and kills them. Status 0 passed, 124 hung, else failed.
run_test() {
  local name limit environment command
  IFS=$'\t' read -r name limit environment command <<<"$1"
  local output="$2"
  local envs=() args=()
  IFS=$'\x1f' read -r -a envs <<<"$environment"
  IFS=$'\x1f' read -r -a args <<<"$command"
  (cd "$QUILLET_BUILD" && exec env ${envs[@]+"${envs[@]}"} "${args[@]}") >"$output" 2>&1 &
  local pid=$! waited=0
  while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt $((limit * 10)) ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$pid" 2>/dev/null; then
    local process
    {
      echo "== HUNG: $name did not end within $limit s; its processes:"
      for process in $(descendants "$pid"); do
        echo "-- process $process: $(tr '\0' ' ' <"/proc/$process/cmdline" 2>/dev/null)"
        timeout 60 gdb -p "$process" -batch -nx -ex "set pagination off" \
          -ex "thread apply all bt" 2>/dev/null | grep -E '^(Thread|#)' || true
      done
    } >>"$output"
    kill -KILL $(descendants "$pid") 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    return 124
  fi
  wait "$pid"
}

# One round: every test once, on a display and session bus of its own. Writes a line per
# test into the round's results file.
run_round() {
  local round="$1"
  local results="$WORK/round-$round"
  if ! start_private_display 2>"$WORK/$round-display.log"; then
    echo "failed display" >"$results"
    echo "${XVFB_PIDS:-}" | xargs -r kill 2>/dev/null || true
    return 0
  fi
  echo "$XVFB_PIDS" >"$WORK/displays-$round"
  XDG_CONFIG_HOME="$(mktemp -d -p "$WORK")"
  export XDG_CONFIG_HOME
  local line name status
  while IFS= read -r line; do
    name="${line%%$'\t'*}"
    status=0
    dbus-run-session -- bash -c "$(declare -f descendants run_test); QUILLET_BUILD='$QUILLET_BUILD' run_test \"\$1\" \"\$2\"" \
      _ "$line" "$WORK/$round-$name.log" || status=$?
    case "$status" in
    0) echo "passed $name" >>"$results" ;;
    124) echo "hung $name" >>"$results" ;;
    *) echo "failed $name" >>"$results" ;;
    esac
  done <"$WORK/tests"
  stop_private_display
  rm -f "$WORK/displays-$round"
}

for round in $(seq "$ROUNDS"); do
  while [ "$(jobs -rp | wc -l)" -ge $((JOBS + ${#LOAD_PIDS[@]})) ]; do
    sleep 1
  done
  run_round "$round" &
done
# Wait for the rounds only: the busy loops run until the end.
while [ "$(jobs -rp | wc -l)" -gt "${#LOAD_PIDS[@]}" ]; do
  sleep 1
done

passed=0
failed=0
for round in $(seq "$ROUNDS"); do
  while read -r outcome name; do
    if [ "$outcome" = passed ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "== Round $round: $name $outcome"
      cat "$WORK/$round-$name.log" 2>/dev/null || echo "(the round ended before it wrote its results)"
    fi
  done < <(cat "$WORK/round-$round" 2>/dev/null || echo "failed round")
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
