#!/usr/bin/env bash
# ZEMRemove.exe without arguments opens its dialog, which stays open after its
# detection, and ends with 0 when the operator presses Escape. Needs the
# display the test command starts.
#   program_opens_dialog.sh ZEMRemove.exe dialog_driver.exe
set -uo pipefail
exe="$1"
driver="$2"
products=$(sed -n 's/.*kProductCount = \([0-9]*\);.*/\1/p' "$(dirname "$0")/../../src/products/catalogue.h")
log=$(mktemp)
program=""
trap 'rm -f "$log"; kill "$program" 2>/dev/null' EXIT
banners() { tr -d '\r' <"$log" | grep -c '^\* Detecting '; }

"$WINELOADER" "$exe" </dev/null >/dev/null 2>&1 &
program=$!

# Every product's detection banner in the log pane; then the dialog stays
# open by itself.
for _ in $(seq 1 30); do
  kill -0 "$program" 2>/dev/null || { echo "the program ended without Escape"; exit 1; }
  "$WINELOADER" "$driver" log "Z:${log//\//\\}" 10 </dev/null >/dev/null 2>&1
  [ "$(banners)" -ge "$products" ] && break
  sleep 1
done
[ "$(banners)" -ge "$products" ] || { echo "fewer than $products detection banners within 30 s"; exit 1; }
sleep 2
kill -0 "$program" 2>/dev/null || { echo "the dialog closed without Escape"; exit 1; }

# Escape is ignored while the last detection runs: press it until the dialog goes.
for _ in $(seq 1 30); do
  "$WINELOADER" "$driver" key escape 10 </dev/null >/dev/null 2>&1
  for _ in $(seq 1 10); do
    if ! kill -0 "$program" 2>/dev/null; then
      status=0
      wait "$program" || status=$?
      [ "$status" -eq 0 ] || echo "the program ended with $status"
      exit "$status"
    fi
    sleep 0.1
  done
done
echo "the dialog did not close within 30 s of Escape"
exit 1
