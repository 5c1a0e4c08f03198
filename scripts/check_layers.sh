#!/usr/bin/env bash
# Fails when a library includes a header from a folder above it. The folders are listed from
# the bottom up, and each may include only itself and the folders listed before it; tests,
# fuzz targets and benchmarks stand above them all.
#   scripts/check_layers.sh      # prints every include that points up, and their number
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

LAYERS=(
  contract base
  aprs bulletins settings notifications station/core
  publishing publishing/curl
  widgets hostlink settings/window notifications/dbus
  composing station/program app
  testsupport
)

# layer_of PATH: the index of the deepest listed folder that holds PATH, or -1.
layer_of() {
  local path="$1" best=-1 best_length=0 i
  for i in "${!LAYERS[@]}"; do
    local folder="${LAYERS[$i]}"
    if [[ "$path" == "$folder"/* ]] && [ "${#folder}" -gt "$best_length" ]; then
      best=$i
      best_length=${#folder}
    fi
  done
  echo "$best"
}

up=0
while IFS= read -r file; do
  case "$file" in */tests/* | */fuzz/* | bench/* | testsupport/*) continue ;; esac
  from=$(layer_of "$file")
  if [ "$from" -lt 0 ]; then
    echo "$file: in no listed folder; add its folder to scripts/check_layers.sh" >&2
    up=$((up + 1))
    continue
  fi
  while IFS=: read -r line header; do
    to=$(layer_of "$header")
    if [ "$to" -gt "$from" ]; then
      echo "$file:$line: includes $header (${LAYERS[$to]}/ stands above ${LAYERS[$from]}/)" >&2
      up=$((up + 1))
    fi
  done < <(grep -n '^#include "' "$QUILLET_ROOT/$file" |
    sed 's/^\([0-9]*\):#include "\([^"]*\)".*/\1:\2/' || true)
done < <(git -C "$QUILLET_ROOT" ls-files -- '*.cpp' '*.h')
echo "== $up include(s) pointing up"
[ "$up" -eq 0 ]
