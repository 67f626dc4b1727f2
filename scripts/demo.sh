#!/usr/bin/env bash
# The demo: installs what is missing, builds ZEMRemove, installs the whole
# Varnek suite into a copy of the Wine prefix (real .msi packages, stand-in
# setups, real services, keys, folders, its SQL databases and data sources,
# and other vendors' things around it),
# shows its inventory, runs "ZEMRemove.exe /silent /all" on it and shows what
# is left and the exit code. Then it runs the same removal once more with a
# log file (/logfile=), on a second copy, and prints it, so that what happened
# can be read. Last, on a third copy, it shows the dialog at 96 and at 192 DPI,
# and an operator removes everything through the dialog (driven by
# dialog_driver.exe) while screenshots are taken into build/demo-screens/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target ZEMRemove run_command demo_service standin_setup dialog_driver \
  desktop_holder zem_odbc_driver zem_standin_odbccp32
bash scripts/prepare-prefix.sh

source scripts/display.sh
start_display
# Whatever ends the demo (a failure, Ctrl-C) stops the display.
trap stop_display EXIT
wineserver -k 2>/dev/null || true

demo="$ZEM_BUILD_DIR/demo-machine"
rm -rf "$demo" "$demo-transcript" "$demo-dialog"
cp -a "$WINEPREFIX" "$demo"
echo "== installing the Varnek suite into $demo"
bash scripts/demo-machine.sh "$demo"
cp -a "$demo" "$demo-transcript"
cp -a "$demo" "$demo-dialog"

echo
echo "== the suite's footprint before (component, kind, item)"
bash scripts/inventory.sh "$demo"

run_silent_all() { # prefix program [more arguments]
  # The copy's own SQL server and data sources (PREFIX/odbc).
  zem_prefix_odbc "$1"
  WINEPREFIX="$1" wineserver -p
  WINEPREFIX="$1" wine wineboot </dev/null >/dev/null 2>&1 || true
  # Into a file, not a pipe (Wine can hold a pipe open), and bounded.
  ZEM_COMMAND_LINE="\"$ZEM_BUILD_DIR/bin/$2\" /silent /all${3:+ $3}" WINEPREFIX="$1" \
    timeout -k 5 300 "$WINELOADER" "$ZEM_BUILD_DIR/bin/run_command.exe" </dev/null >"$1.out" 2>/dev/null ||
    echo "(run_command ended with $?)"
  tr -d '\r' <"$1.out"
  rm -f "$1.out"
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
shots="$ZEM_BUILD_DIR/demo-screens"
rm -rf "$shots"
mkdir -p "$shots"
# The dialog of the session of $WINEPREFIX, driven by dialog_driver.exe, whose
# files are in C:\demo-dialog.
drive() { # driver arguments; its output into a file, never a pipe (Wine holds pipes)
  mkdir -p "$WINEPREFIX/drive_c/demo-dialog"
  wine "$ZEM_BUILD_DIR/bin/dialog_driver.exe" "$@" </dev/null >"$WINEPREFIX/drive_c/demo-dialog/driver.out" 2>&1 || {
    cat "$WINEPREFIX/drive_c/demo-dialog/driver.out"; return 1; }
}
# The dialog and the boxes centred on it, with a margin.
shoot() { # name
  drive layout 'C:\demo-dialog\layout.txt' 10
  read -r _ left top right bottom <"$WINEPREFIX/drive_c/demo-dialog/layout.txt"
  import -window root -crop "$((right - left + 40))x$((bottom - top + 40))+$((left - 20))+$((top - 20))" \
    +repage "$shots/$1.png"
  echo "screenshot $shots/$1.png"
}

echo "== the dialog at 96 and at 192 DPI (screenshots dpi-96.png and dpi-192.png in $shots)"
for dpi in 96 192; do
  (
    # A copy of the third copy with its own session; at 192 DPI on a screen of twice the size.
    export WINEPREFIX="$demo-dpi"
    [ "$dpi" = 96 ] || start_display 2048x1536
    trap 'wineserver -k 2>/dev/null || true; [ "$dpi" = 96 ] || stop_display; rm -rf "$WINEPREFIX"' EXIT
    bash scripts/dpi-prefix.sh "$demo-dialog" "$WINEPREFIX" "$dpi"
    zem_prefix_odbc "$WINEPREFIX"
    wine "$ZEM_BUILD_DIR/bin/ZEMRemove.exe" </dev/null >/dev/null 2>&1 &
    drive wait-ready 120
    shoot "dpi-$dpi"
    drive close 30
  )
done

echo
echo "== the same removal through the dialog, on a third copy (screenshots in $shots)"
(
  export WINEPREFIX="$demo-dialog"
  zem_prefix_odbc "$WINEPREFIX"
  exchange="$WINEPREFIX/drive_c/demo-dialog"
  mkdir -p "$exchange"
  wineserver -p
  wine wineboot </dev/null >/dev/null 2>&1 || true
  wine "$ZEM_BUILD_DIR/bin/ZEMRemove.exe" </dev/null >/dev/null 2>&1 &
  program=$!
  # Larger than its template, before the log fills.
  drive resize 640 600 60
  drive wait-ready 120
  drive rows 'C:\demo-dialog\rows.txt' 10
  echo "listed after detection (name, version):"
  tail -n +2 "$exchange/rows.txt" | iconv -f CP1252 -t UTF-8 | sed 's/^/  /'
  shoot 1-list
  drive click remove-all 10
  drive answer 'Confirm Removal' ok 'C:\demo-dialog\confirm.txt' 30
  echo "confirmed: $(tail -n +2 "$exchange/confirm.txt")"
  for shot in a b c; do # the dialog while the uninstallers run (they open no window of their own)
    sleep 1.5
    shoot "2-removing-$shot"
  done
  drive answer 'Success|Errors Encountered' none 'C:\demo-dialog\summary.txt' 300
  shoot 3-summary
  drive answer 'Success|Errors Encountered' ok 'C:\demo-dialog\summary.txt' 10
  echo "summary: $(tr '\n' ' ' <"$exchange/summary.txt")"
  drive log 'C:\demo-dialog\log.txt' 60
  echo "the log pane's last lines:"
  tr -d '\r' <"$exchange/log.txt" | tail -n 12 | sed 's/^/  /'
  drive close 30
  wait "$program" || true
  rm -rf "$exchange"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
)
echo "the suite's footprint after the dialog's removal (nothing listed: all gone)"
bash scripts/inventory.sh "$demo-dialog"
echo "(end of inventory)"
rm -rf "$demo-dialog"

echo
code=${result#exit }
echo "demo: ZEMRemove.exe /silent /all exit code: ${code%% after*}"
