#!/usr/bin/env bash
# Benchmark: the dialog's log pane taking the worker's lines, in the program's
# own dialog with scripted products under a virtual display. One product writes
# the lines from the worker during detection, as fast as it can, so that they
# arrive at once; the dialog drains them on its 100 ms timer.
#   scripts/bench-logpane.sh [lines] [rounds]
# Three cases: the lines given (default 390, what the demo's full removal
# writes: one whole removal's log arriving at once; goal: no tick gap over
# 150 ms on a quiet machine), ten times as many, and a flood of 100,000 lines
# for reference.
# Prints per case the largest drain (ms), the largest gap between two timer
# ticks (ms) and the run's total time (s), the worst of all rounds (default 1).
set -euo pipefail
lines="${1:-390}"
source "$(dirname "$0")/display.sh"
start_display
status=0
bash "$(dirname "$0")/run-benchmark.sh" bench_logpane 1 "${2:-1}" "$lines" $((lines * 10)) 100000 || status=$?
stop_display
exit $status
