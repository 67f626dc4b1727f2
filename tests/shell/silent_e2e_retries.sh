#!/usr/bin/env bash
# Ends the silent end-to-end run: says how many cases had to be run again
# after a Wine hang, and fails when more than one did (one rare hang is Wine's;
# more mean something hangs for real). Also left in e2e/retries.txt for
# scripts/test.sh to print.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
e2e="$ZEM_RUN_DIR/e2e"
retried=()
if [ -d "$e2e/retried" ]; then
  for mark in "$e2e/retried"/*; do
    [ -f "$mark" ] && retried+=("$(basename "$mark"): $(cat "$mark")")
  done
fi
{
  echo "silent end-to-end: ${#retried[@]} case(s) run again after a Wine hang"
  for line in "${retried[@]}"; do echo "  $line"; done
} | tee "$e2e/retries.txt"
[ "${#retried[@]}" -le 1 ]
