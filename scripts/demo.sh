#!/usr/bin/env bash
# The demo: installs what is missing, builds ZEMRemove, and runs it under Wine
# in the build tree's own prefix.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target ZEMRemove
bash scripts/prepare-prefix.sh

source scripts/display.sh
start_display
wineserver -k 2>/dev/null || true

echo "demo: running ZEMRemove.exe /silent /all under Wine"
status=0
wine "$ZEM_BUILD_DIR/bin/ZEMRemove.exe" /silent /all || status=$?
echo "demo: ZEMRemove.exe ended with exit code $status"

wineserver -k 2>/dev/null || true
stop_display
