#!/usr/bin/env bash
# Benchmark: detecting the nine registry-based products among 1,000 unrelated
# Uninstall entries and 1,000 installer product registrations (32-bit view),
# against one full read of both keys, in the tests' Wine prefix. Prints one
# line per measure: name, our seconds, the baseline's seconds, the ratio.
exec bash "$(dirname "$0")/run-benchmark.sh" bench_detection 3 "$@"
