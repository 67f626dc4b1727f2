#!/usr/bin/env bash
# Times folder removal against the system's own "rd /s /q" on identical trees
# of 20,000 files in 400 folders, in this worktree's Wine prefix. Prints one
# line per measure: name, our seconds, the baseline's seconds, the ratio.
# Optional argument: the number of rounds (the figures are their medians).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target bench_folders
bash scripts/prepare-prefix.sh

# A warm wineserver, so that start-up services do not land in the figures.
wineserver -k 2>/dev/null || true
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true

status=0
wine "$ZEM_BUILD_DIR/bin/bench_folders.exe" "${1:-1}" </dev/null || status=$?

wineserver -k 2>/dev/null || true
exit $status
