#!/usr/bin/env bash
# ZEMRemove.exe without arguments opens its dialog, and ends when the operator
# presses Escape. Needs the display the test command starts.
set -uo pipefail
exe="$1"
title="Varnek Removal Utility"

"$WINELOADER" "$exe" </dev/null >/dev/null 2>&1 &
program=$!

window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --pid "$program" --name "^$title\$" 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || { echo "the program ended without a dialog"; exit 1; }
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "no window \"$title\" within 30 s"
  kill "$program" 2>/dev/null
  exit 1
fi

# Escape is ignored while detection runs: press it until the dialog goes.
for _ in $(seq 1 60); do
  xdotool key --window "$window" Escape >/dev/null 2>&1
  for _ in $(seq 1 5); do
    kill -0 "$program" 2>/dev/null || { wait "$program"; exit $?; }
    sleep 0.1
  done
done
echo "the dialog did not close within 30 s of Escape"
kill "$program" 2>/dev/null
exit 1
