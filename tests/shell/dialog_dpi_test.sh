#!/usr/bin/env bash
# The program's dialog on the demo machine at 96 and at 192 DPI, each in a session and on a
# screen of its own: at 192 its parts are twice their size at 96, and at both the anchors hold.
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
source "$ZEM_SOURCE_DIR/scripts/display.sh"
work="$ZEM_RUN_DIR/dpi-test"
rm -rf "$work" && mkdir -p "$work"
trap '[ -n "${ZEM_KEEP_SCRATCH:-}" ] || rm -rf "$work"' EXIT
drive() { timeout -k 5 90 "$WINELOADER" "$ZEM_BUILD_DIR/bin/dialog_driver.exe" "$@" </dev/null >>"$work/driver" 2>&1; }
for dpi in 96 192; do
  ( # Under || a failed step does not end the subshell: each step below waits for the one before.
    export WINEPREFIX="$work/$dpi"
    start_display $((1024 * dpi / 96))x$((768 * dpi / 96))
    trap 'wineserver -k 2>/dev/null || true; stop_display' EXIT
    bash "$ZEM_SOURCE_DIR/scripts/dpi-prefix.sh" "$ZEM_RUN_DIR/e2e/template" "$WINEPREFIX" "$dpi" &&
      zem_prefix_odbc "$WINEPREFIX" && { "$WINELOADER" "$ZEM_BUILD_DIR/bin/ZEMRemove.exe" </dev/null &>/dev/null & } &&
      drive wait-ready 120 && drive layout "Z:$work/opened-$dpi" 10 &&
      read -r _ left top right bottom <"$work/opened-$dpi" &&
      drive resize $((right - left + 200)) $((bottom - top + 120)) 10 &&
      drive layout "Z:$work/grown-$dpi" 10 && drive close 30
  ) || { echo "FAIL: the dialog at $dpi DPI: $(cat "$work/driver")"; exit 1; }
done
python3 - "$work" <<'PY'
import sys
layout = lambda name: {l.split()[0]: [int(n) for n in l.split()[1:]] for l in open(sys.argv[1] + "/" + name)}
size = lambda key, r: r if key in ("columns", "log-cell") else [r[2] - r[0], r[3] - r[1]]
problems = []
# Twice within a tenth: dialog units follow the font's rounded size (23 pixels at 192 DPI for 12 at 96).
for key in "list", "remove", "remove-all", "columns", "log-cell":
    at96, at192 = size(key, layout("opened-96")[key]), size(key, layout("opened-192")[key])
    if any(abs(b - 2 * a) > max(2, a // 10) for a, b in zip(at96, at192)):
        problems.append("%s: %s at 96 DPI, %s at 192" % (key, at96, at192))
# Grown by 200 x 120: the list wider, the buttons moved right, the pane larger.
moves = {"list": [0, 0, 200, 0], "remove": [200, 0, 200, 0], "remove-all": [200, 0, 200, 0], "log": [0, 0, 200, 120]}
for dpi, key in [(dpi, key) for dpi in (96, 192) for key in moves]:
    opened, grown = layout("opened-%d" % dpi)[key], layout("grown-%d" % dpi)[key]
    if [b - a for a, b in zip(opened, grown)] != moves[key]:
        problems.append("at %d DPI, %s from %s to %s" % (dpi, key, opened, grown))
print("\n".join(problems) or "twice the size at 192 DPI, anchors hold at both")
sys.exit(1 if problems else 0)
PY
