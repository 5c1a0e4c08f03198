#!/usr/bin/env bash
# Builds Quillet and its benchmarks, runs every benchmark, measures the running program
# (start-up, memory, idle processor share) under Xvfb against the host with a full
# log, and prints one table of the results beside their targets. Takes about four minutes.
#
# It builds the bench preset (Release, no tests) in build-bench/; the raw results are kept in
# its bench-results/ folder. Everything that reads or writes the host's per-user settings gets a
# private $XDG_CONFIG_HOME, so the user's own files are never touched.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Debian's interpreter: the first python3 on PATH may be another one.
PYTHON=/usr/bin/python3
# The largest log the host keeps.
FULL_LOG_LINES=32767
STARTUP_RUNS=5
IDLE_SECONDS=60

install_missing_packages
build_preset bench
build="$QUILLET_ROOT/build-bench"

BENCH="$build/bench"
HOST_PROGRAM="$build/station/program/quillet-host"
QUILLET="$build/app/quillet"
PROBE="$BENCH/quillet_window_probe"
RESULTS="$build/bench-results"
rm -rf "$RESULTS"
mkdir -p "$RESULTS"

SCRATCH="$(mktemp -d)"
display_started=0
cleanup() {
  [ "$display_started" -eq 1 ] && stop_private_display
  rm -rf "$SCRATCH"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$SCRATCH/config"
mkdir -p "$XDG_CONFIG_HOME"

failed=()
# run NAME COMMAND...: the benchmark's console output goes to NAME.log, its results to
# NAME.json; a failure is noted and the other measurements go on.
run() {
  local name="$1"
  shift
  echo "== $name"
  if ! "$@" --benchmark_out="$RESULTS/$name.json" --benchmark_out_format=json \
       >"$RESULTS/$name.log" 2>&1; then
    echo "   failed; the end of $RESULTS/$name.log:" >&2
    tail -n 5 "$RESULTS/$name.log" >&2
    failed+=("$name")
  fi
}

run intake "$BENCH/quillet_intake_bench"
run dbus dbus-run-session -- "$BENCH/quillet_dbus_bench"
run publishing "$BENCH/quillet_publishing_bench"
run send "$BENCH/quillet_send_cpu_bench"
run window_stall env QT_QPA_PLATFORM=offscreen "$BENCH/quillet_window_stall_bench"
run direct dbus-run-session -- env QT_QPA_PLATFORM=offscreen "$BENCH/quillet_direct_path_bench"

# The running program: the host serves a log on a private bus, Quillet shows its
# window on a private X display and is measured from outside by the probe.
# measure_program NAME HOST-OPTIONS...: start-ups into startup-NAME.jsonl, and with the
# full log also the idle share into idle.json.
measure_program() {
  set -euo pipefail
  local name="$1"
  shift
  QT_QPA_PLATFORM=offscreen "$HOST_PROGRAM" "$@" &
  local host=$!
  if ! wait_for_bus_name "$QUILLET_HOST_BUS_NAME" 30; then
    echo "the host did not come up" >&2
    kill "$host" 2>/dev/null || true
    return 1
  fi
  local status=0
  for _ in $(seq 1 "$STARTUP_RUNS"); do
    QT_QPA_PLATFORM=xcb "$PROBE" --settle 1 -- "$QUILLET" >>"$RESULTS/startup-$name.jsonl" ||
      status=1
  done
  if [ "$name" = full ]; then
    QT_QPA_PLATFORM=xcb "$PROBE" --settle 2 --idle "$IDLE_SECONDS" -- "$QUILLET" \
      >"$RESULTS/idle.json" || status=1
  fi
  kill "$host" 2>/dev/null || true
  wait "$host" 2>/dev/null || true
  return "$status"
}

echo "== program: $STARTUP_RUNS start-ups with an empty log, $STARTUP_RUNS with a full one, then $IDLE_SECONDS s left alone"
FEED="$SCRATCH/full_log.txt"
"$BENCH/quillet_bench_feed" "$FULL_LOG_LINES" "$FEED"
start_private_display
display_started=1
export -f measure_program wait_until wait_for_bus_name bus_name_owned
export QUILLET_HOST_BUS_NAME
export HOST_PROGRAM QUILLET PROBE RESULTS STARTUP_RUNS IDLE_SECONDS FEED
: >"$RESULTS/program.log"
for log in empty full; do
  options='--empty'
  # expanded by the inner shell, which has FEED in its environment
  # shellcheck disable=SC2016
  [ "$log" = full ] && options='--feed "$FEED"'
  if ! dbus-run-session -- bash -c "measure_program $log $options" 2>>"$RESULTS/program.log"; then
    echo "   failed ($log log); the end of $RESULTS/program.log:" >&2
    tail -n 5 "$RESULTS/program.log" >&2
    failed+=("program-$log")
  fi
done
stop_private_display
display_started=0

echo
"$PYTHON" - "$RESULTS" "$FULL_LOG_LINES" <<'EOF' | tee "$RESULTS/table.md"
import json
import statistics
import sys
from pathlib import Path

results = Path(sys.argv[1])
full_lines = int(sys.argv[2])
to_ms = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def entries(name):
    try:
        return json.loads((results / f"{name}.json").read_text())["benchmarks"]
    except (OSError, ValueError, KeyError):
        return []


def measured(file, benchmark, arg=None, field="real_time"):
    """The median of a benchmark's repetitions (or its one run): a number or an error text."""
    runs = [e for e in entries(file)
            if e["run_name"].split("/")[0] == benchmark
            and (arg is None or e["run_name"].split("/")[1] == str(arg))]
    if not runs:
        return "not measured"
    for e in runs:
        if e.get("error_occurred"):
            return "failed: " + e.get("error_message", "")
    medians = [e for e in runs if e.get("aggregate_name") == "median"]
    chosen = medians or [e for e in runs if e.get("run_type") == "iteration"]
    values = [e[field] * (to_ms[e["time_unit"]] if field.endswith("_time") else 1.0)
              for e in chosen if field in e]
    return statistics.median(values) if values else "not measured"


def program(field, file):
    try:
        runs = [json.loads(line) for line in (results / file).read_text().splitlines() if line]
    except (OSError, ValueError):
        runs = []
    values = [r[field] for r in runs if field in r]
    return statistics.median(values) if values else "not measured"


def figure(value):
    if isinstance(value, str):
        return value
    if value >= 100:
        return f"{value:,.0f}"
    return f"{value:.3g}"


def target(value, limit, unit):
    if limit is None:
        return "—"
    if isinstance(value, str):
        return f"≤ {limit} {unit}"
    return f"≤ {limit} {unit}: " + ("met" if value <= limit else "**missed**")


def in_ms(value):
    return value * 1e3 if not isinstance(value, str) else value


def in_s(value):
    return value / 1e3 if not isinstance(value, str) else value


def in_us(value):
    return value * 1e3 if not isinstance(value, str) else value


log_bytes = measured("intake", "refreshFromLog", full_lines, "log_bytes")
size = f", {log_bytes / 1e6:.1f} MB" if not isinstance(log_bytes, str) else ""


def in_mib(value):
    return value / 1024 if not isinstance(value, str) else value


rows = [
    ("Core refresh (intake + sort + rows), 200 lines",
     measured("intake", "refreshFromLog", 200), "ms", None),
    (f"Core refresh, {full_lines:,} lines{size}",
     measured("intake", "refreshFromLog", full_lines), "ms", 10),
    (f"Core refresh into an empty table (first after start-up), {full_lines:,} lines",
     measured("intake", "firstRefreshFromFullLog"), "ms", 10),
    (f"Refresh over D-Bus from the host, {full_lines:,} lines",
     measured("dbus", "refreshFromHost"), "ms", 60),
    ("… of which the D-Bus fetch and conversion of the log",
     measured("dbus", "fetchLog"), "ms", None),
    (f"Refresh after one new line over D-Bus, {full_lines:,}-line log: only the new line",
     measured("dbus", "refreshAfterOneNewLine", 1), "ms", 1),
    ("… the same by whole read (other hosts; every refresh before)",
     measured("dbus", "refreshAfterOneNewLine", 0), "ms", None),
    ("Page generation, 40 rows (in memory)",
     in_us(measured("publishing", "renderPage40Rows")), "µs", None),
    ("Page generation, 40 rows (template file to page file, flushed to disk)",
     in_us(measured("publishing", "generateWebpage40Rows")), "µs", None),
    ("Page and both feeds (Atom, JSON Feed), 40 bulletins, in memory",
     in_us(measured("publishing", "pageAndFeeds40Rows")), "µs", 1000),
    ("Heard to copied page: an APRS-IS line written to quillet-host, to Quillet's copied page",
     in_s(measured("direct", "heardToCopiedPage")), "s", 5),
    ("Processor time per send (20 half-second waits)",
     in_ms(measured("send", "oneSend", field="cpu_s")), "ms", 200),
    ("Send on quillet-host's own interface, from Enter to the host's logged answer (median)",
     measured("direct", "sendOnDirectPath"), "ms", 50),
    ("Heard to shown: an APRS-IS line written to quillet-host, to Quillet's list (median)",
     measured("direct", "heardToShown"), "ms", 1000),
    ("Processor share during an upload's wait (1 MB at 256 KiB/s, whole process)",
     measured("publishing", "uploadWaitProcessorShare", field="cpu_share_process_pct"),
     "% of a core", 5),
    (f"Idle processor share of the running program over 60 s, {full_lines:,}-line log",
     program("idle_share_pct", "idle.json"), "% of a core", None),
    ("Start-up to the shown window, empty log (median of the runs)",
     program("startup_ms", "startup-empty.jsonl"), "ms", None),
    (f"Start-up to the shown window, {full_lines:,}-line log (median of the runs)",
     program("startup_ms", "startup-full.jsonl"), "ms", None),
    ("Resident memory after start-up (VmRSS once the window shows), empty log",
     in_mib(program("rss_kib", "startup-empty.jsonl")), "MiB", None),
    (f"Resident memory after start-up, {full_lines:,}-line log",
     in_mib(program("rss_kib", "startup-full.jsonl")), "MiB", None),
]
print("| Measure | Figure | Unit | Target |")
print("|---|---:|---|---|")
for label, value, unit, limit in rows:
    print(f"| {label} | {figure(value)} | {unit} | {target(value, limit, unit)} |")
EOF
echo
echo "== Raw results in $RESULTS"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
