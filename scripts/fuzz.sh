#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (with ASan and UBSan) and runs each for
# the given number of seconds (default 60). A finding stops the script with its input saved
# under build-fuzz/findings/.
#   scripts/fuzz.sh          # about a minute each
#   scripts/fuzz.sh 3600     # an hour each
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds="${1:-60}"
build="$QUILLET_ROOT/build-fuzz"
build_preset fuzz

mkdir -p "$build/findings"
status=0
for target in $(find "$build" -maxdepth 4 -type f -name '*_fuzz' -perm -u+x | sort); do
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  # the seeds sit in the source folder that matches the target's build folder
  seeds="$QUILLET_ROOT/$(dirname "${target#"$build"/}")/seeds/$name"
  [ -d "$seeds" ] || seeds=""
  echo "== Fuzzing $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$build/findings/$name-" -print_final_stats=1 \
       "$corpus" ${seeds:+"$seeds"} 2>"$build/$name.log"; then
    echo "!! $name found a problem; see $build/$name.log and $build/findings/" >&2
    tail -n 40 "$build/$name.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$build/$name.log" | sed 's/^/   /' || true
done
exit "$status"
