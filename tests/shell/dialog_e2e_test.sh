#!/usr/bin/env bash
# The operator's removal of everything, end to end, on a fresh copy of the demo
# machine: ZEMRemove.exe without arguments opens its dialog; dialog_driver.exe
# reads the list, presses "Remove All", confirms, reads the summary and the log
# and closes the dialog. Then the same footprint check as the silent cases:
# the suite is gone, nothing that is not the suite's changed.
# Needs a display (DISPLAY set before the Wine session starts).
set -euo pipefail
source "$(dirname "$0")/../../scripts/wine-env.sh"
here="$ZEM_SOURCE_DIR/tests/shell"
scripts="$ZEM_SOURCE_DIR/scripts"
bin="$ZEM_BUILD_DIR/bin"
e2e="$ZEM_BUILD_DIR/e2e"
prefix="$e2e/dialog-remove-all"
out="$prefix/drive_c/dialog-e2e"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "FAIL: no display: the dialog cannot open (run under scripts/test.sh or scripts/display.sh)"
  exit 1
fi

rm -rf "$prefix" "$prefix".*
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; [ -n "${ZEM_KEEP_SCRATCH:-}" ] || rm -rf "$prefix" "$prefix".*' EXIT
cp -a "$e2e/template" "$prefix"
mkdir -p "$out"
export WINEPREFIX="$prefix"
zem_prefix_odbc "$prefix"

# What the demo machine installs (scripts/demo-machine.txt), as the list shows
# it: the name each recipe finds registered, or its own name where there is no
# registration (the logging service, DLP, the databases), and the version;
# the relay and MSDE recipes find none ("unknown").
expected_rows=$(printf '%s\n' \
  $'Microsoft SQL Server Desktop Engine\tunknown' \
  $'Varnek Client Logging Service\t7.1.1.120' \
  $'Varnek DLP\t3.2.0.48' \
  $'Varnek Databases\t7.1.315' \
  $'Varnek Enterprise Client\t7.1.1.315' \
  $'Varnek Enterprise Relay\tunknown' \
  $'Varnek Enterprise Server\t7.1.1.315' \
  $'Varnek Enterprise Suite API\t7.1.0.20' \
  $'Varnek Enterprise Suite Installation Generator\t7.1.1.315' \
  $'\u00bbVarnek Enterprise Console\u00ab\t7.1.1.315' | LC_ALL=C sort)
# Removal order: platform API, console, relay, server, DLP, logging service,
# client, databases, installation generator, MSDE.
removal_order=("Varnek Enterprise Suite API" $'\u00bbVarnek Enterprise Console\u00ab' "Varnek Enterprise Relay"
  "Varnek Enterprise Server" "Varnek DLP" "Varnek Client Logging Service" "Varnek Enterprise Client"
  "Varnek Databases" "Varnek Enterprise Suite Installation Generator" "Microsoft SQL Server Desktop Engine")

wineserver -p
timeout -k 5 60 "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 || true
timeout -k 5 300 "$WINELOADER" "$bin/ZEMRemove.exe" </dev/null >"$prefix.program" 2>&1 &
program=$!
status=0
timeout -k 5 280 "$WINELOADER" "$bin/dialog_driver.exe" remove-all 'C:\dialog-e2e' 240 \
  </dev/null >"$prefix.driver" 2>&1 || status=$?
tr -d '\r' <"$prefix.driver"
if [ "$status" -ne 0 ]; then
  fail "dialog_driver remove-all ended with $status"
  wineserver -k 2>/dev/null || true # the dialog may still be open
fi
program_status=0
wait "$program" || program_status=$?
[ "$program_status" -eq 0 ] || fail "ZEMRemove.exe ended with $program_status (124: still open after 300 s)"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

text() { iconv -f CP1252 -t UTF-8 "$out/$1" 2>/dev/null | tr -d '\r' || true; }
[ "$(text rows.txt | head -1)" = $'Name\tVersion' ] || fail "list columns: '$(text rows.txt | head -1)'"
rows=$(text rows.txt | tail -n +2 | LC_ALL=C sort)
if [ "$rows" != "$expected_rows" ]; then
  fail "listed products (- expected, + shown)"
  diff <(echo "$expected_rows") <(echo "$rows") || true
fi
[ "$(text confirm.txt)" = $'Confirm Removal\nAre you sure you want to remove all 10 installed components?' ] ||
  fail "confirmation: '$(text confirm.txt)'"
[ "$(text summary.txt)" = $'Success\nSuccessfully removed 10 products.' ] || fail "summary: '$(text summary.txt)'"
[ "$(text rows-after.txt)" = $'Name\tVersion' ] || fail "still listed after the removal: $(text rows-after.txt)"

# The log: every product's detection banner, the removal banners in removal
# order, and after the last of them the root clean-up's lines.
text log.txt >"$prefix.log"
python3 - "$prefix.log" "${removal_order[@]}" <<'PY' || fail "the log pane (above)"
import sys
log, names = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2:]
stars, xs = "*" * 50, "x" * 50
problems = []
def at(text, after=0):
    where = log.find(text, after)
    if where < 0:
        problems.append("missing after offset %d: %r" % (after, text))
    return where
for name in names:
    at("\n%s\n* Detecting %s\n%s\n" % (stars, name, stars))
place = 0
for name in names:
    place = max(place, at("\n%s\nx Removing %s\n%s\n" % (xs, name, xs), place))
place = at("\nNo more products installed. Removing root folders and reg keys...\n", place)
at("\n%s\nx Removing Varnek root folders and registry keys\n%s\n" % (xs, xs), max(place, 0))
for problem in problems:
    print(problem)
sys.exit(1 if problems else 0)
PY

# Nothing of the suite is left, and nothing that is not the suite's changed.
bash "$scripts/inventory.sh" "$prefix" >"$prefix.left"
if [ -s "$prefix.left" ]; then fail "left of the suite:"; cat "$prefix.left"; fi
rm -rf "$out"
# The uninstallers are console programs started by a program without a console:
# Wine's console host then writes its defaults to HKCU\Console, a key that
# Windows always has.
python3 "$scripts/snapshot.py" diff "$e2e/template.json" "$prefix" --ignore '^reg HKCU\\Console(:|$)' \
  >"$prefix.changes" || true
python3 "$here/suite_footprint.py" <"$prefix.changes" || fail "something that is not the suite's changed"
echo "$(wc -l <"$prefix.changes") changes, all within the suite's footprint"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
