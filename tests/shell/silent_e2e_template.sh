#!/usr/bin/env bash
# Builds the demo machine once for the silent end-to-end cases: a copy of the
# test prefix with the whole suite installed, its inventory and its snapshot.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
e2e="$ZEM_RUN_DIR/e2e"
rm -rf "$e2e"
mkdir -p "$e2e"
# The test prefix without the scratch folders (zemtest_*) that the tests
# running beside this one create and delete in it meanwhile.
python3 -c 'import shutil, sys; shutil.copytree(sys.argv[1], sys.argv[2], symlinks=True,
                                                ignore=shutil.ignore_patterns("zemtest_*"))' \
  "$ZEM_RUN_DIR/wineprefix" "$e2e/template"
bash "$ZEM_SOURCE_DIR/scripts/demo-machine.sh" "$e2e/template" >/dev/null
# One idle session before the snapshot: whatever Wine adds on a copy's first
# starts is then part of the machine, not a change the removal made. Wine 10's
# odbc32 copies the driver manager's drivers and data sources into the
# registry when a program first loads it: one connection attempt does that.
WINEPREFIX="$e2e/template" wine cmd /c exit </dev/null >/dev/null 2>&1 || true
# Its answer does not matter (Wine 8 refuses the unknown name as unknown,
# Wine 10 without a reason); were the copy not made, the snapshots would show it.
(zem_prefix_odbc "$e2e/template"
 WINEPREFIX="$e2e/template" wine "$ZEM_BUILD_DIR/bin/odbc_connect.exe" "DSN=zem-settles-odbc32" </dev/null >/dev/null 2>&1) || true
WINEPREFIX="$e2e/template" wineserver -k 2>/dev/null || true
WINEPREFIX="$e2e/template" wineserver -w 2>/dev/null || true
bash "$ZEM_SOURCE_DIR/scripts/inventory.sh" "$e2e/template" >"$e2e/installed.txt"
python3 "$ZEM_SOURCE_DIR/scripts/snapshot.py" take "$e2e/template" "$e2e/template.json"
echo "demo machine ready: $(wc -l <"$e2e/installed.txt") items of the suite installed"
