#!/usr/bin/env bash
# The demo: installs what is missing, builds ZEMRemove, installs the whole
# Varnek suite into a copy of the Wine prefix (real .msi packages, stand-in
# setups, real services, keys, folders, its SQL databases and data sources,
# and other vendors' things around it),
# shows its inventory, runs "ZEMRemove.exe /silent /all" on it and shows what
# is left and the exit code. Then it runs the same removal once more with a
# log file (/logfile=), on a second copy, and prints it, so that what happened
# can be read.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target ZEMRemove run_command demo_service standin_setup \
  zem_odbc_driver zem_standin_odbccp32
bash scripts/prepare-prefix.sh

source scripts/display.sh
start_display
# Whatever ends the demo (a failure, Ctrl-C) stops the display.
trap stop_display EXIT
wineserver -k 2>/dev/null || true

demo="$ZEM_BUILD_DIR/demo-machine"
rm -rf "$demo" "$demo-transcript"
cp -a "$WINEPREFIX" "$demo"
echo "== installing the Varnek suite into $demo"
bash scripts/demo-machine.sh "$demo"
cp -a "$demo" "$demo-transcript"

echo
echo "== the suite's footprint before (component, kind, item)"
bash scripts/inventory.sh "$demo"

run_silent_all() { # prefix program [more arguments]
  # The copy's own SQL server and data sources (PREFIX/odbc).
  zem_prefix_odbc "$1"
  WINEPREFIX="$1" wineserver -p
  WINEPREFIX="$1" wine wineboot </dev/null >/dev/null 2>&1 || true
  ZEM_COMMAND_LINE="\"$ZEM_BUILD_DIR/bin/$2\" /silent /all${3:+ $3}" WINEPREFIX="$1" \
    wine "$ZEM_BUILD_DIR/bin/run_command.exe" </dev/null 2>/dev/null | tr -d '\r'
  WINEPREFIX="$1" wineserver -k 2>/dev/null || true
  WINEPREFIX="$1" wineserver -w 2>/dev/null || true
}

echo
echo "== ZEMRemove.exe /silent /all"
result=$(run_silent_all "$demo" ZEMRemove.exe)
echo "ZEMRemove.exe ended: ${result}"

echo
echo "== the suite's footprint after (nothing listed: all gone)"
bash scripts/inventory.sh "$demo"
echo "(end of inventory)"

echo
echo "== the same removal with a log file, on a second copy"
# Z: is the host's root under Wine: the log lies outside the copy.
log="$demo-transcript.log"
rm -f "$log"
run_silent_all "$demo-transcript" ZEMRemove.exe "/logfile=\"Z:$log\"" >/dev/null
tr -d '\r' <"$log"
rm -rf "$demo-transcript" "$log"

echo
code=${result#exit }
echo "demo: ZEMRemove.exe /silent /all exit code: ${code%% after*}"
