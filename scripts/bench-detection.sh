#!/usr/bin/env bash
# Benchmark: detecting the nine registry-based products among 1,000 unrelated
# Uninstall entries and 1,000 installer product registrations (32-bit view),
# against one full read of both keys, in the tests' Wine prefix. Prints one
# line per measure: name, our seconds, the baseline's seconds, the ratio.
# An optional argument is the number of rounds (the best of each is kept).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target bench_detection >/dev/null
bash scripts/prepare-prefix.sh

# A warm wineserver, so that start-up costs fall on neither side.
wineserver -k 2>/dev/null || true
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true

status=0
wine "$ZEM_BUILD_DIR/bin/bench_detection.exe" "${1:-3}" </dev/null || status=$?

wineserver -k 2>/dev/null || true
exit $status
