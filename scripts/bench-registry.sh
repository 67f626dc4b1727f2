#!/usr/bin/env bash
# Benchmark: deleting a 2,000-key registry tree (32-bit view) with our removal
# against "reg delete /f /reg:32" on an identical tree, in the tests' Wine
# prefix. Prints: name, our seconds, the baseline's seconds, the ratio.
# An optional argument is the number of rounds (the best of each is kept).
exec bash "$(dirname "$0")/run-benchmark.sh" bench_registry 3 "$@"
