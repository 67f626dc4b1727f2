#!/usr/bin/env bash
# Benchmark: deleting a 2,000-key registry tree (32-bit view) with our removal
# against the system's own tree deletion (RegDeleteTreeA in the same process;
# goal: at or under 1.0x) and, for reference, against "reg delete /f /reg:32",
# on identical trees, in the tests' Wine prefix. Prints one line per measure:
# name, our seconds, the baseline's seconds, the ratio.
# An optional argument is the number of rounds (the best of each is kept).
exec bash "$(dirname "$0")/run-benchmark.sh" bench_registry 3 "$@"
