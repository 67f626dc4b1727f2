#!/usr/bin/env bash
# Prints the suite's footprint on a Wine prefix, one line per item:
#   scripts/inventory.sh [PREFIX]
# Lines read "<component> <kind> <item>" (components in removal order, then
# "roots"); a clean prefix prints nothing. The prefix's Wine session is ended
# first, since Wine writes its registry files only then.
set -euo pipefail
if [ $# -gt 0 ]; then
  # Never fall back to the tests' own prefix: a wrong argument is an error.
  if [ ! -f "$1/system.reg" ]; then
    echo "inventory: $1 is no Wine prefix" >&2
    exit 2
  fi
  WINEPREFIX_OVERRIDE="$(cd "$1" && pwd)"
  export WINEPREFIX_OVERRIDE
fi
source "$(dirname "$0")/wine-env.sh"
timeout 60 wineserver -k 2>/dev/null || true
timeout 60 wineserver -w 2>/dev/null || true
exec python3 "$ZEM_SOURCE_DIR/scripts/demo/inventory.py" "$WINEPREFIX"
