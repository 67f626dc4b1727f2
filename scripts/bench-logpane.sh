#!/usr/bin/env bash
# Benchmark: the log pane takes 100,000 lines written by a worker as fast as
# it can, drained on the dialog's 100 ms timer with the dialog's own drain into
# an edit control made like the log pane, under a virtual display. Prints the
# largest drain (ms, goal <= 50), the largest gap between two timer ticks (ms,
# goal <= 150) and the total time (s). Optional argument: the number of rounds
# (the worst drain and gap of all rounds are printed).
set -euo pipefail
source "$(dirname "$0")/display.sh"
start_display
status=0
bash "$(dirname "$0")/run-benchmark.sh" bench_logpane 1 "$@" || status=$?
stop_display
exit $status
