#!/usr/bin/env bash
# Benchmark: deleting a 2,000-key registry tree (32-bit view) with our removal
# against "reg delete /f /reg:32" on an identical tree, in the tests' Wine
# prefix. Prints: name, our seconds, the baseline's seconds, the ratio.
# An optional argument is the number of rounds (the best of each is kept).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target bench_registry >/dev/null
bash scripts/prepare-prefix.sh

# A warm wineserver, so that start-up costs fall on neither side.
wineserver -k 2>/dev/null || true
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true

status=0
wine "$ZEM_BUILD_DIR/bin/bench_registry.exe" "${1:-3}" </dev/null || status=$?

wineserver -k 2>/dev/null || true
exit $status
