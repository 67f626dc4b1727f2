#!/usr/bin/env bash
# Builds one benchmark program and runs it in the tests' Wine prefix with a
# warm wineserver, so that start-up costs fall on neither side.
#   scripts/run-benchmark.sh <program> <default rounds> [rounds [arguments...]]
set -euo pipefail
cd "$(dirname "$0")/.."
program="$1"
rounds="${3:-$2}"

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target "$program" >/dev/null
bash scripts/prepare-prefix.sh

wineserver -k 2>/dev/null || true
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true

status=0
wine "$ZEM_BUILD_DIR/bin/$program.exe" "$rounds" "${@:4}" </dev/null || status=$?

wineserver -k 2>/dev/null || true
exit $status
