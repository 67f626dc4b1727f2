#!/usr/bin/env bash
# Benchmark: the program's own dialog with scripted products, one of which
# writes 100,000 log lines from the worker as fast as it can during detection;
# the dialog drains them on its 100 ms timer. Runs under a virtual display.
# Prints the largest drain (ms, goal <= 50), the largest gap between two timer
# ticks (ms, goal <= 150) and the run's total time (s). Optional argument: the
# number of rounds (the worst figures of all rounds are printed).
set -euo pipefail
source "$(dirname "$0")/display.sh"
start_display
status=0
bash "$(dirname "$0")/run-benchmark.sh" bench_logpane 1 "$@" || status=$?
stop_display
exit $status
