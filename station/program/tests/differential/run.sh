#!/usr/bin/env bash
# The differential test's command: installs the pinned js-aprs-fap from npm into FOLDER (once)
# and runs the test under a private session bus.
#   run.sh FOLDER VERSION TEST-PROGRAM
set -euo pipefail
folder="$1" version="$2" program="$3"
node="$(command -v node || command -v nodejs || true)"
if [ -z "$node" ]; then
  echo "SKIPPED: node is not installed; scripts/common.sh installs Debian's nodejs and npm"
  exit 77
fi
if [ "$(cat "$folder/installed" 2>/dev/null)" != "$version" ]; then
  mkdir -p "$folder"
  npm install --prefix "$folder" --no-save --no-package-lock --no-audit --no-fund \
    "js-aprs-fap@$version" >&2
  echo "$version" >"$folder/installed"
fi
QUILLET_NODE="$node" QUILLET_JS_APRS_FAP="$folder" exec dbus-run-session -- "$program"
